#include "my_w_string.h"

#include "util/case_folding.h"

void my_w_string::Assign(const char* text)
{
    text_.clear();
    if (!text) return;
    for (const char* p = text; *p; ++p) text_.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
}

namespace {

// Walks a text as its case-folded characters, one at a time.
class folded_reader {
public:
    explicit folded_reader(std::wstring_view text) : text_(text) {}
    bool Next(char32_t& c)
    {
        if (at_ == count_) {
            if (next_ == text_.size()) return false;
            const char32_t raw = static_cast<char32_t>(text_[next_++]);
            if (raw < 0x80) {  // most material names: no table needed
                c = (raw >= U'A' && raw <= U'Z') ? raw + 32 : raw;
                return true;
            }
            count_ = stv::FoldCharacter(raw, folded_);
            at_ = 0;
        }
        c = folded_[at_++];
        return true;
    }

private:
    std::wstring_view text_;
    size_t next_ = 0;
    char32_t folded_[3] = {};
    int count_ = 0, at_ = 0;
};

}  // namespace

// Unicode's full case folding, locale-free, so that materials typed in any script meet.
bool my_w_string::EqualIgnoreCase(std::wstring_view a, std::wstring_view b)
{
    folded_reader ra(a), rb(b);
    char32_t ca = 0, cb = 0;
    for (;;) {
        const bool more_a = ra.Next(ca);
        const bool more_b = rb.Next(cb);
        if (more_a != more_b) return false;
        if (!more_a) return true;
        if (ca != cb) return false;
    }
}
