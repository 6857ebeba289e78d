// Number texts: parsing never fails badly, and both text forms read back as the same value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/Ufractions_double.h"
#include "model/Ufractions_long.h"
#include "model/Utils_fractions_vcl.h"
#include "util/utf8.h"

namespace {

// Six decimals in the file form, fifteen significant digits in the display form.
bool Close(long double a, long double b)
{
    return std::fabs(a - b) <= 1e-6L + 1e-13L * std::fabs(a);
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::wstring wide = Utf8ToWide(text);

    fractional_long whole_and_fraction;
    whole_and_fraction.Parse(wide);
    grid_text_is_number(wide, L',');
    grid_text_to_fraction(wide, L',');

    fractional_double x;
    if (!x.Parse8(text) || !std::isfinite(static_cast<double>(x.Value()))) return 0;

    fractional_double from_file;
    Check(from_file.Parse8(x.FormatFile()));
    Check(Close(x.Value(), from_file.Value()));

    fractional_double from_display;
    Check(from_display.ParseWide(x.FormatDisplay(L','), L','));
    Check(Close(x.Value(), from_display.Value()));
    return 0;
}
