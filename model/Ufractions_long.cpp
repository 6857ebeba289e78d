#include "model/Ufractions_long.h"

#include <string>

#include "model/number_text.h"

bool fractional_long::Parse(std::wstring_view text)
{
    using namespace stv::text;
    std::string t = NarrowForNumbers(text);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\n' || t.back() == '\r'))
        t.pop_back();
    numerator = 0;
    denominator = 1;
    whole = 0;
    bool ok = true;
    const std::string_view s(t);
    const size_t slash = s.find('/');
    if (slash == std::string_view::npos) {
        size_t pos = 0;
        int32_t w = 0;
        if (ReadInt32(s, pos, w)) whole = w;
        return ok && pos == s.size();
    }

    const std::string_view after = s.substr(slash + 1);
    size_t pos = 0;
    int32_t den = 0;
    if (ReadInt32(after, pos, den)) denominator = den;
    else ok = false;
    if (pos != after.size()) ok = false;

    std::string_view before = s.substr(0, slash);
    while (!before.empty() && IsSpace(static_cast<unsigned char>(before.back()))) before.remove_suffix(1);
    size_t lead = 0;
    while (lead < before.size() && IsSpace(static_cast<unsigned char>(before[lead]))) ++lead;
    const size_t space = before.find(' ', lead);
    if (space != std::string_view::npos) {
        size_t wpos = 0;
        int32_t w = 0;
        if (ReadInt32(before, wpos, w)) whole = w;
        // The whole must end right at the space before the numerator.
        if (wpos != space) ok = false;
        pos = space + 1;
    } else {
        pos = 0;
    }
    int64_t num = 0;
    if (ReadInt64(before, pos, num)) numerator = num;
    else ok = false;
    if (pos != before.size()) ok = false;
    return ok;
}
