// Parts and stock lists, XML or CSV by the first input byte: reading never fails badly, and
// a list read, written and read again is written the same way again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/list_files.h"

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const char* name)
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("stavora_fuzz_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir / name;
}

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

// The CSV reader looks at 199 characters of a line: longer written lines are outside the property.
bool LinesShortEnough(const std::string& bytes)
{
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        if (end - start > 150) return false;
        start = end + 1;
    }
    return true;
}

void XmlRoundTrip(const fs::path& input)
{
    parts_array_2d parts;
    if (ReadPartsXml(parts, input)) {
        Check(WritePartsXml(parts, Scratch("a.xml")));
        parts_array_2d again;
        Check(ReadPartsXml(again, Scratch("a.xml")));
        Check(again.count() == parts.count());
        Check(WritePartsXml(again, Scratch("b.xml")));
        Check(Bytes(Scratch("a.xml")) == Bytes(Scratch("b.xml")));
    }
    stock_array_2d stock;
    if (ReadStockXml(stock, input)) {
        Check(WriteStockXml(stock, Scratch("a.xml")));
        stock_array_2d again;
        Check(ReadStockXml(again, Scratch("a.xml")));
        Check(again.count() == stock.count());
        Check(WriteStockXml(again, Scratch("b.xml")));
        Check(Bytes(Scratch("a.xml")) == Bytes(Scratch("b.xml")));
    }
}

void CsvRoundTrip(const fs::path& input, wchar_t separator)
{
    stock_array_2d stock;
    ReadStockCsv(stock, input, separator);
    parts_array_2d parts;
    if (!ReadPartsCsv(parts, input, separator)) return;
    Check(WritePartsCsv(parts, Scratch("a.csv"), separator));
    const std::string first = Bytes(Scratch("a.csv"));
    if (!LinesShortEnough(first)) return;
    parts_array_2d again;
    if (parts.count() == 0) return;
    Check(ReadPartsCsv(again, Scratch("a.csv"), separator));
    Check(again.count() == parts.count());
    Check(WritePartsCsv(again, Scratch("b.csv"), separator));
    Check(Bytes(Scratch("b.csv")) == first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool xml = data[0] & 1;
    const wchar_t separator = (data[0] & 2) ? L';' : L',';
    const fs::path input = Scratch(xml ? "input.xml" : "input.csv");
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    if (xml) XmlRoundTrip(input);
    else CsvRoundTrip(input, separator);
    return 0;
}
