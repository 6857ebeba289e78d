#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/list_files.h"

namespace fs = std::filesystem;

namespace {

class ListFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stv_model_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    fs::path WriteBytes(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out << bytes;
        return Path(name);
    }

    static std::string ReadBytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    size_t FilesInFolder() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path dir_;
};

parts_array_2d SampleParts()
{
    parts_array_2d parts;
    part_as_number_2d door;
    door.length = fractional_double(12, 3, 16);
    door.width = fractional_double(600);
    door.quantity = 3;
    door.grain = 2;
    door.label = L"T\u00fcr links";
    door.material = L"Eiche";
    door.customer = L"M\u00fcller & <Co>";
    door.edge_band.top_name = L"ABS";
    door.edge_band.top_thick = fractional_double(0, 1, 16);
    door.edge_band.right_name = L"PVC";
    door.edge_band.right_thick = fractional_double(2.5);
    door.grinding.bottom_thick = fractional_double(0, 1, 32);
    parts.Append(door);

    part_as_number_2d shelf;
    shelf.length = fractional_double(812.5);
    shelf.width = fractional_double(300);
    shelf.quantity = 1;
    shelf.allow_rotation = 1;
    shelf.useit = 0;
    shelf.end_angle_1 = 45.0;
    shelf.end_angle_2 = 135.5;
    parts.Append(shelf);
    return parts;
}

TEST_F(ListFiles, PartsXmlRoundTrip)
{
    const parts_array_2d written = SampleParts();
    const fs::path path = Path("parts.xml");
    ASSERT_TRUE(WritePartsXml(written, path));

    const std::string text = ReadBytes(path);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>", 0), 0u);
    EXPECT_NE(text.find("\t\t<row>\n\t\t\t<length>12 3/16</length>"), std::string::npos) << text;
    EXPECT_NE(text.find("<allow_rotation>-1</allow_rotation>"), std::string::npos);
    EXPECT_NE(text.find("<label>T\xc3\xbcr links</label>"), std::string::npos);
    EXPECT_NE(text.find("<length>812.500000</length>"), std::string::npos);
    EXPECT_NE(text.find("<end_angle_2>135.500000</end_angle_2>"), std::string::npos);
    EXPECT_LT(text.find("<useit>"), text.find("<end_angle_1>"));

    parts_array_2d read;
    ASSERT_TRUE(ReadPartsXml(read, path));
    ASSERT_EQ(read.count(), written.count());
    for (int32_t i = 0; i < read.count(); ++i) {
        EXPECT_TRUE(read[i].SameAs(written[i])) << i;
        EXPECT_EQ(read[i].quantity, written[i].quantity) << i;
        EXPECT_EQ(read[i].row_index, -1);
        EXPECT_DOUBLE_EQ(read[i].end_angle_1, written[i].end_angle_1);
        EXPECT_DOUBLE_EQ(read[i].end_angle_2, written[i].end_angle_2);
        EXPECT_TRUE(read[i].edge_band.right_thick.RecordEquals(written[i].edge_band.right_thick));
        EXPECT_TRUE(read[i].edge_band.top_thick.RecordEquals(written[i].edge_band.top_thick));
    }
    EXPECT_EQ(read[0].length.whole, 12);
    EXPECT_EQ(read[0].length.numerator, 3);
    EXPECT_EQ(read[0].length.denominator, 16);
    EXPECT_EQ(read[0].customer.str(), L"M\u00fcller & <Co>");
}

TEST_F(ListFiles, StockXmlRoundTripKeepsThePrice)
{
    stock_array_2d written;
    stock_as_number_2d board;
    board.length = fractional_double(96);
    board.width = fractional_double(48, 1, 2);
    board.quantity = 4;
    board.grain = 1;
    board.label = L"Plywood";
    board.material = L"Birch";
    board.price = 12.5;
    board.trim_top = fractional_double(0, 1, 4);
    board.trim_right = fractional_double(1);
    board.priority = 2;
    written.Append(board);
    const fs::path path = Path("stock.xml");
    ASSERT_TRUE(WriteStockXml(written, path));
    EXPECT_NE(ReadBytes(path).find("<price>12.500000</price>"), std::string::npos);

    stock_array_2d read;
    ASSERT_TRUE(ReadStockXml(read, path));
    ASSERT_EQ(read.count(), 1);
    EXPECT_TRUE(read[0].SameAs(board));
    EXPECT_EQ(read[0].quantity, 4);
}

TEST_F(ListFiles, OlderHeightFormAndMissingElements)
{
    const fs::path parts_path = WriteBytes("old.xml",
                                           "<data><parts>"
                                           "<row><height>400</height><width>600</width></row>"
                                           "<row><height>5 1/2</height></row>"
                                           "<note>ignored</note>"
                                           "<row><length>700</length><width>300</width>"
                                           "<edge_band><top_name>X</top_name></edge_band></row>"
                                           "</parts></data>");
    parts_array_2d parts;
    ASSERT_TRUE(ReadPartsXml(parts, parts_path));
    ASSERT_EQ(parts.count(), 3);
    EXPECT_TRUE(parts[0].length == 600.0);
    EXPECT_TRUE(parts[0].width == 400.0);
    EXPECT_TRUE(parts[1].length == 0.0);
    EXPECT_TRUE(parts[1].width == 5.5);
    const part_as_number_2d& p = parts[2];
    EXPECT_EQ(p.quantity, 1);
    EXPECT_EQ(p.useit, 1);
    EXPECT_EQ(p.allow_rotation, 255);
    EXPECT_EQ(p.grain, 0);
    EXPECT_DOUBLE_EQ(p.end_angle_1, 90.0);
    EXPECT_DOUBLE_EQ(p.end_angle_2, 90.0);
    EXPECT_EQ(p.edge_band.top_name.str(), L"X");
    EXPECT_TRUE(p.edge_band.top_thick == 0.0);

    const fs::path stock_path = WriteBytes("oldstock.xml",
                                           "<data><stock><row><height>1250</height><width>2500</width>"
                                           "<useit>0</useit><grain>9</grain></row></stock></data>");
    stock_array_2d stock;
    ASSERT_TRUE(ReadStockXml(stock, stock_path));
    ASSERT_EQ(stock.count(), 1);
    EXPECT_TRUE(stock[0].length == 2500.0);
    EXPECT_TRUE(stock[0].width == 1250.0);
    EXPECT_EQ(stock[0].quantity, 1);
    EXPECT_EQ(stock[0].useit, 0);
    EXPECT_EQ(stock[0].grain, 0);  // no such grain code
    EXPECT_DOUBLE_EQ(stock[0].price, 0.0);
}

TEST_F(ListFiles, UnreadableXmlLeavesTheArrayUnchanged)
{
    const std::vector<std::pair<std::string, std::string>> files = {
        {"broken.xml", "<data><parts><row><length>5</length></parts>"},
        {"nodata.xml", "<other><parts><row/></parts></other>"},
        {"noparts.xml", "<data><stock><row/></stock></data>"},
        {"binary.xml", std::string("\0\xff\xfe<", 4)},
    };
    for (const auto& [name, content] : files) {
        parts_array_2d parts = SampleParts();
        EXPECT_FALSE(ReadPartsXml(parts, WriteBytes(name, content))) << name;
        EXPECT_EQ(parts.count(), 2) << name;
    }
    parts_array_2d parts = SampleParts();
    EXPECT_FALSE(ReadPartsXml(parts, Path("missing.xml")));
    EXPECT_EQ(parts.count(), 2);
    stock_array_2d stock;
    stock.Append(stock_as_number_2d());
    EXPECT_FALSE(ReadStockXml(stock, WriteBytes("parts_only.xml", "<data><parts/></data>")));
    EXPECT_EQ(stock.count(), 1);
}

TEST_F(ListFiles, ListWithoutRowsIsEmpty)
{
    parts_array_2d parts = SampleParts();
    ASSERT_TRUE(ReadPartsXml(parts, WriteBytes("empty.xml", "<data><parts/></data>")));
    EXPECT_EQ(parts.count(), 0);
}

TEST_F(ListFiles, FailedSaveKeepsThePreviousFile)
{
    const parts_array_2d parts = SampleParts();
    EXPECT_FALSE(WritePartsXml(parts, Path("no/such/folder/parts.xml")));
    EXPECT_FALSE(WritePartsCsv(parts, Path("no/such/folder/parts.csv"), L';'));
    EXPECT_FALSE(WriteStockXml(stock_array_2d(), dir_));  // a folder is no file

    const fs::path locked = WriteBytes("locked.xml", "previous");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(WritePartsXml(parts, locked));
    EXPECT_EQ(ReadBytes(locked), "previous");

    const fs::path existing = WriteBytes("existing.xml", "previous");
    ASSERT_TRUE(WritePartsXml(parts, existing));
    parts_array_2d read;
    ASSERT_TRUE(ReadPartsXml(read, existing));
    EXPECT_EQ(read.count(), 2);
    EXPECT_EQ(FilesInFolder(), 2u);  // no temporary file left behind
}

struct CsvRecord {
    fractional_double length, width;
    int32_t quantity;
    uint8_t grain;
    std::wstring label;
};

struct CsvIssue {
    int32_t line;  // from 0
    list_file_issue::kind_type kind;
    std::string field;
};

struct CsvCase {
    const char* name;
    std::string content;
    wchar_t separator;
    std::vector<CsvRecord> records;  // of the lines that read
    std::vector<CsvIssue> issues;
};

// Reads the case as parts and as stock and compares records and issues.
void ExpectCsvCase(const CsvCase& c, const fs::path& path)
{
    SCOPED_TRACE(c.name);
    parts_array_2d parts = SampleParts();
    std::vector<list_file_issue> issues;
    ASSERT_TRUE(ReadPartsCsv(parts, path, c.separator, &issues));
    ASSERT_EQ(parts.count(), static_cast<int32_t>(c.records.size()));
    for (size_t i = 0; i < c.records.size(); ++i) {
        const CsvRecord& want = c.records[i];
        const part_as_number_2d& p = parts[static_cast<int32_t>(i)];
        EXPECT_TRUE(p.length.RecordEquals(want.length)) << p.length.FormatFile();
        EXPECT_TRUE(p.width.RecordEquals(want.width)) << p.width.FormatFile();
        EXPECT_EQ(p.quantity, want.quantity);
        EXPECT_EQ(p.grain, want.grain);
        EXPECT_EQ(p.label.str(), want.label);
    }
    ASSERT_EQ(issues.size(), c.issues.size());
    for (size_t i = 0; i < c.issues.size(); ++i) {
        EXPECT_EQ(issues[i].row, c.issues[i].line);
        EXPECT_EQ(issues[i].kind, c.issues[i].kind);
        EXPECT_EQ(issues[i].field, c.issues[i].field);
    }
    stock_array_2d stock;
    ASSERT_TRUE(ReadStockCsv(stock, path, c.separator));
    EXPECT_EQ(stock.count(), static_cast<int32_t>(c.records.size()));
}

TEST_F(ListFiles, ReadCsvLines)
{
    const std::string long_label(5000, 'x');
    const fractional_double f600(600), f400(400);
    const std::vector<CsvCase> cases = {
        {"full line", "600;400;2;1;Door;\n", L';', {{f600, f400, 2, 1, L"Door"}}, {}},
        {"two numbers", "600;400\n", L';', {{f600, f400, 1, 0, L""}}, {}},
        {"quantity 0", "600;400;0;2;X;\n", L';', {{f600, f400, 1, 2, L"X"}}, {}},
        {"empty quantity and grain", "600;400;;;X\n", L';', {{f600, f400, 1, 0, L"X"}}, {}},
        {"decimal comma beside semicolons", "600;400,5;2;1;Door;\n", L';', {{f600, 400.5, 2, 1, L"Door"}}, {}},
        {"full stop beside semicolons", "600.5;400;1;0;A;\n", L';', {{600.5, f400, 1, 0, L"A"}}, {}},
        {"comma separator, CRLF", "600.5,400,3,0,A,\r\n700,300,1,2,B,\r\n", L',',
         {{600.5, f400, 3, 0, L"A"}, {700.0, 300.0, 1, 2, L"B"}}, {}},
        {"fractions", "12 3/16,400,3,0,F,\n", L',', {{fractional_double(12, 3, 16), f400, 3, 0, L"F"}}, {}},
        {"written by earlier versions", "12.187500;600.000000;3;2;T\xc3\xbcr links;\n", L';',
         {{12.1875, f600, 3, 2, L"T\u00fcr links"}}, {}},
        {"label with blanks", "600;400;1;0;Left door;\n", L';', {{f600, f400, 1, 0, L"Left door"}}, {}},
        {"label holding the separator", "600;400;1;0;Left;door;\n", L';', {{f600, f400, 1, 0, L"Left;door"}}, {}},
        {"quoted label", "600,400,1,0,\"Left, \"\"A\"\"\"\n", L',', {{f600, f400, 1, 0, L"Left, \"A\""}}, {}},
        {"heading", "Length;Width;Quantity;Grain;Label\n600;400;1;0;A;\n", L';', {{f600, f400, 1, 0, L"A"}}, {}},
        {"words only", "abc;def\n", L';', {}, {}},
        {"title", "Parts\n600;400\n", L';', {{f600, f400, 1, 0, L""}}, {}},
        {"another separator", "600,400,2,1,A,\n", L';', {},
         {{0, list_file_issue::size_not_a_number, "length"}, {0, list_file_issue::size_missing, "width"}}},
        {"blank lines", "\n;;;;\n  \n600;40\n", L';', {{f600, 40.0, 1, 0, L""}}, {}},
        {"last line without line end", "600;400;1;0;A;\n700;300", L';',
         {{f600, f400, 1, 0, L"A"}, {700.0, 300.0, 1, 0, L""}}, {}},
        {"UTF-8 label", "600;400;1;0;T\xc3\xbcr;\n", L';', {{f600, f400, 1, 0, L"T\u00fcr"}}, {}},
        {"Latin-1 label", "600;400;1;0;T\xfcr;\n", L';', {{f600, f400, 1, 0, L"T\u00fcr"}}, {}},
        {"byte order mark", "\xEF\xBB\xBF" "600;400;1;0;A;\n", L';', {{f600, f400, 1, 0, L"A"}}, {}},
        {"NUL byte", std::string("600;400;1;0;A\0B;\n", 17), L';', {{f600, f400, 1, 0, L"AB"}}, {}},
        {"grain outside the codes", "600;400;1;7;A;\n", L';', {{f600, f400, 1, 0, L"A"}}, {}},
        {"5000-character line", "600;400;1;0;" + long_label + "\n700;300\n", L';',
         {{f600, f400, 1, 0, std::wstring(5000, L'x')}, {700.0, 300.0, 1, 0, L""}}, {}},
        // Lines with a field that does not read give no record and name the field.
        {"width not a number", "600,abc,2,1,A,\n", L',', {}, {{0, list_file_issue::size_not_a_number, "width"}}},
        {"missing length", "700,300\n,400,2,1,B,\n", L',', {{700.0, 300.0, 1, 0, L""}},
         {{1, list_file_issue::size_missing, "length"}}},
        {"missing width", "12345\n", L';', {}, {{0, list_file_issue::size_missing, "width"}}},
        {"quantity beyond 32 bits", "600,400,99999999999,1,Q,\n", L',', {},
         {{0, list_file_issue::quantity_not_an_integer, "quantity"}}},
        {"fractional quantity", "600;400;2,5;1;Q;\n", L';', {}, {{0, list_file_issue::quantity_not_an_integer, "quantity"}}},
        {"grain not a number", "600;400;1;h;Q;\n", L';', {}, {{0, list_file_issue::grain_not_an_integer, "grain"}}},
        {"junk in a mixed number", "5x 3/4;400;1;0;A;\n", L';', {}, {{0, list_file_issue::size_not_a_number, "length"}}},
        {"sign inside a mixed number", "600;10 -1/2;1;0;A;\n", L';', {}, {{0, list_file_issue::size_not_a_number, "width"}}},
        {"infinite size", "1e999;400;1;1;A;\n", L';', {}, {{0, list_file_issue::size_not_a_number, "length"}}},
        {"words after the first line", "600;400;1;0;A;\nabout;nothing\n", L';', {{f600, f400, 1, 0, L"A"}},
         {{1, list_file_issue::size_not_a_number, "length"}, {1, list_file_issue::size_not_a_number, "width"}}},
    };
    int n = 0;
    for (const CsvCase& c : cases) ExpectCsvCase(c, WriteBytes("case" + std::to_string(n++) + ".csv", c.content));
}

TEST_F(ListFiles, MissingOrEmptyCsvChangesNothing)
{
    parts_array_2d parts = SampleParts();
    EXPECT_FALSE(ReadPartsCsv(parts, Path("missing.csv"), L';'));
    EXPECT_FALSE(ReadPartsCsv(parts, WriteBytes("empty.csv", ""), L';'));
    EXPECT_EQ(parts.count(), 2);
}

TEST_F(ListFiles, CsvWriteAndReadBack)
{
    struct Case { wchar_t separator; std::string bytes; };
    const Case cases[] = {
        {L';', "12 3/16;600;3;2;T\xc3\xbcr links;\n812,5;300;1;0;;\n2;1;1;0;\"\"\"Q\"\" 1;x\";\n"},
        {L',', "12 3/16,600,3,2,T\xc3\xbcr links,\n812.5,300,1,0,,\n2,1,1,0,\"\"\"Q\"\" 1;x\",\n"},
    };
    parts_array_2d written = SampleParts();
    part_as_number_2d quoted;
    quoted.length = 2.0;
    quoted.width = 1.0;
    quoted.quantity = 1;
    quoted.label = L"\"Q\" 1;x";
    written.Append(quoted);
    for (const Case& c : cases) {
        const fs::path path = Path("parts.csv");
        ASSERT_TRUE(WritePartsCsv(written, path, c.separator));
        EXPECT_EQ(ReadBytes(path), c.bytes);
        parts_array_2d read;
        std::vector<list_file_issue> issues;
        ASSERT_TRUE(ReadPartsCsv(read, path, c.separator, &issues));
        EXPECT_TRUE(issues.empty());
        ASSERT_EQ(read.count(), 3);
        for (int32_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(read[i].length.RecordEquals(written[i].length)) << read[i].length.FormatFile();
            EXPECT_TRUE(read[i].width.RecordEquals(written[i].width));
            EXPECT_EQ(read[i].quantity, written[i].quantity);
            EXPECT_EQ(read[i].grain, written[i].grain);
            EXPECT_EQ(read[i].label.str(), written[i].label.str());
        }
    }
}

TEST_F(ListFiles, Utf16CsvWithAByteOrderMarkReadsEveryRow)
{
    const std::u16string text = u"1200,600,2,0,T\u00fcr\r\n800,400,1,0,Shelf\r\n";
    for (const bool little : {true, false}) {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += little ? std::string{low, high} : std::string{high, low};
        }
        parts_array_2d parts;
        ASSERT_TRUE(ReadPartsCsv(parts, WriteBytes("utf16.csv", bytes), L','));
        ASSERT_EQ(parts.count(), 2) << little;
        EXPECT_DOUBLE_EQ(parts[0].length.whole, 1200);
        EXPECT_EQ(parts[0].label.str(), L"T\u00fcr");
        EXPECT_EQ(parts[1].label.str(), L"Shelf");
    }
}

TEST_F(ListFiles, FoldersAndEndlessFilesAreNamedIssuesNotReads)
{
    fs::create_directories(Path("folder.csv"));
    fs::create_symlink("/dev/zero", Path("zero.xml"));
    parts_array_2d parts = SampleParts();
    std::vector<list_file_issue> issues;
    EXPECT_FALSE(ReadPartsCsv(parts, Path("folder.csv"), L',', &issues));
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].kind, list_file_issue::file_unreadable);
    EXPECT_EQ(issues[0].text, "is a folder, not a file");
    EXPECT_FALSE(ReadPartsXml(parts, Path("zero.xml"), &issues));
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_NE(issues[0].text.find("too large"), std::string::npos);
    EXPECT_EQ(parts.count(), 2);
}

}  // namespace

TEST(ListFileIssues, NameTheTextsThatAreNotNumbers)
{
    const auto file = std::filesystem::temp_directory_path() / "stavora_model_issues.xml";
    {
        std::ofstream out(file);
        out << "<data><parts>"
               "<row><length>600</length><width>40x</width><quantity>2</quantity></row>"
               "<row><length>12 3/16</length><width>300</width><quantity>abc</quantity></row>"
               "<row><length>500</length><width>300</width></row>"
               "<row><length>500</length><width>300</width><quantity> </quantity></row>"
               "</parts></data>";
    }
    parts_array_2d parts;
    std::vector<list_file_issue> issues;
    ASSERT_TRUE(ReadPartsXml(parts, file, &issues));
    ASSERT_EQ(parts.count(), 4);
    ASSERT_EQ(issues.size(), 2u);
    EXPECT_EQ(issues[0].row, 0);
    EXPECT_EQ(issues[0].kind, list_file_issue::size_not_a_number);
    EXPECT_EQ(issues[0].field, "width");
    EXPECT_EQ(issues[0].text, "40x");
    EXPECT_EQ(issues[1].row, 1);
    EXPECT_EQ(issues[1].kind, list_file_issue::quantity_not_an_integer);
    EXPECT_EQ(parts[2].quantity, 1);  // missing quantity
    EXPECT_EQ(parts[3].quantity, 1);  // empty quantity
    std::filesystem::remove(file);
}
