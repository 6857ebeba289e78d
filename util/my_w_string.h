#pragma once
// my_w_string: the owning wide text of every engine record (labels, materials, customers, band names).
#include <string>
#include <string_view>

class my_w_string {
public:
    my_w_string() = default;
    my_w_string(const my_w_string&) = default;
    my_w_string(my_w_string&&) noexcept = default;
    my_w_string& operator=(const my_w_string&) = default;
    my_w_string& operator=(my_w_string&&) noexcept = default;

    my_w_string(const wchar_t* text) { Assign(text); }
    my_w_string(std::wstring_view text) : text_(text) {}
    // 8-bit text: each byte widened to one character, no code page.
    explicit my_w_string(const char* text) { Assign(text); }

    my_w_string& operator=(const wchar_t* text) { Assign(text); return *this; }
    my_w_string& operator=(std::wstring_view text) { text_.assign(text); return *this; }
    my_w_string& operator=(const char* text) { Assign(text); return *this; }

    // A null source gives the empty text.
    void Assign(const wchar_t* text) { text_ = text ? text : L""; }
    void Assign(const char* text);

    const wchar_t* c_str() const { return text_.c_str(); }
    const std::wstring& str() const { return text_; }
    bool empty() const { return text_.empty(); }
    size_t length() const { return text_.size(); }

    // Comparison ignoring letter case in every script (Unicode case folding).
    bool EqualsIgnoreCase(const my_w_string& other) const { return EqualIgnoreCase(text_, other.text_); }
    static bool EqualIgnoreCase(std::wstring_view a, std::wstring_view b);

    // Exact comparison; use EqualsIgnoreCase where the records compare texts.
    friend bool operator==(const my_w_string& a, const my_w_string& b) { return a.text_ == b.text_; }

private:
    std::wstring text_;
};
