#include "my_w_string.h"

void my_w_string::Assign(const char* text)
{
    text_.clear();
    if (!text) return;
    for (const char* p = text; *p; ++p) text_.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
}

// Lower-case folding for the scripts our users type (Latin, Greek, Cyrillic) without depending
// on the process locale.
wchar_t my_w_string::FoldCase(wchar_t c)
{
    const unsigned u = static_cast<unsigned>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<wchar_t>(u + 32);
    if (u < 0xC0) return c;
    if (u <= 0xDE) return (u == 0xD7) ? c : static_cast<wchar_t>(u + 32);       // Latin-1
    if (u >= 0x100 && u <= 0x137) return static_cast<wchar_t>(u | 1u);          // Latin Extended-A, pairs
    if (u >= 0x139 && u <= 0x148) return (u & 1u) ? static_cast<wchar_t>(u + 1) : c;
    if (u >= 0x14A && u <= 0x177) return static_cast<wchar_t>(u | 1u);
    if (u == 0x178) return static_cast<wchar_t>(0xFF);
    if (u >= 0x179 && u <= 0x17E) return (u & 1u) ? static_cast<wchar_t>(u + 1) : c;
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return static_cast<wchar_t>(u + 32);  // Greek
    if (u >= 0x400 && u <= 0x40F) return static_cast<wchar_t>(u + 80);          // Cyrillic Ѐ..Џ
    if (u >= 0x410 && u <= 0x42F) return static_cast<wchar_t>(u + 32);          // Cyrillic А..Я
    if (u >= 0x460 && u <= 0x4FF && u != 0x482 && !(u >= 0x483 && u <= 0x489))  // Cyrillic pairs
        return (u >= 0x4C1 && u <= 0x4CE) ? ((u & 1u) ? static_cast<wchar_t>(u + 1) : c)
                                          : static_cast<wchar_t>(u | 1u);
    return c;
}

bool my_w_string::EqualIgnoreCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}
