#pragma once
// MyAnsiString: an owning 8-bit text; the optimiser keeps an (always empty) layout description in it.
#include <cstdint>
#include <string>

class MyAnsiString {
public:
    MyAnsiString() = default;
    explicit MyAnsiString(const char* text) : text_(text ? text : "") {}
    explicit MyAnsiString(long value) : text_(std::to_string(value)) {}
    explicit MyAnsiString(char c) : text_(1, c) {}

    MyAnsiString& operator=(const char* text) { text_ = text ? text : ""; return *this; }
    const char* c_str() const { return text_.c_str(); }
    int32_t Length() const { return static_cast<int32_t>(text_.size()); }
    bool empty() const { return text_.empty(); }
    friend bool operator==(const MyAnsiString&, const MyAnsiString&) = default;

private:
    std::string text_;
};
