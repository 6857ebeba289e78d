// Opening a list that does not read completely loads nothing and leaves the grid as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/stavora_2d.h"

namespace {

std::filesystem::path WriteList(const std::string& name, const std::string& text)
{
    const auto file =
        std::filesystem::temp_directory_path() / ("stavora_open_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

TEST(Facade, ListsThatDoNotReadCompletelyAreRefusedWhole)
{
    struct Case {
        std::string name, text;
        int32_t row;
        std::string field;
    };
    const Case cases[] = {
        {"parts.csv", "600;400;1;0;A;\n600;abc;2;1;B;\n", 1, "width"},
        {"parts.xml", "<data><parts><row><length>600</length><width>400</width></row>"
                      "<row><length>abc</length><width>400</width></row></parts></data>", 1, "length"},
        {"stock.csv", "2000;1000;1;0;A;\n2000;1000;99999999999;0;B;\n", 1, "quantity"},
        {"stock.xml", "<data><stock><row><length>2000</length><width>1000</width><trim_top>x</trim_top></row>"
                      "</stock></data>", 0, "trim_top"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = WriteList(c.name, c.text);
        stavora_2d facade;
        part_as_number_2d kept_part;
        kept_part.label = L"kept";
        facade.parts.Append(kept_part);
        stock_as_number_2d kept_sheet;
        kept_sheet.label = L"kept";
        facade.stock.Append(kept_sheet);
        int touched = 0;
        auto clear = [&] { ++touched; };
        auto show_parts = [&](const parts_array_2d&) { ++touched; };
        auto show_stock = [&](const stock_array_2d&) { ++touched; };
        std::vector<list_file_issue> issues;
        const bool csv = file.extension() == ".csv";
        bool read = false;
        if (c.name.starts_with("parts"))
            read = csv ? facade.OpenPartListCsv(file, L';', clear, show_parts, &issues)
                       : facade.OpenPartListXml(file, clear, show_parts, &issues);
        else
            read = csv ? facade.OpenStockListCsv(file, L';', clear, show_stock, &issues)
                       : facade.OpenStockListXml(file, clear, show_stock, &issues);
        EXPECT_FALSE(read);
        EXPECT_EQ(touched, 0);
        ASSERT_EQ(issues.size(), 1u);
        EXPECT_EQ(issues[0].row, c.row);
        EXPECT_EQ(issues[0].field, c.field);
        ASSERT_EQ(facade.parts.count(), 1);
        EXPECT_EQ(facade.parts[0].label.str(), L"kept");
        ASSERT_EQ(facade.stock.count(), 1);
        EXPECT_EQ(facade.stock[0].label.str(), L"kept");
        std::filesystem::remove(file);
    }
}

}  // namespace
