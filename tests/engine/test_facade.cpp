// The facade's own operations: example data, gathering, list files, the run's status rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/stavora_2d.h"

namespace {

std::filesystem::path TempFile(const std::string& name)
{
    return std::filesystem::temp_directory_path() / ("stavora_engine_" + std::to_string(::getpid()) + "_" + name);
}

part_as_number_2d Part(double length, double width, int quantity, const wchar_t* label)
{
    part_as_number_2d p;
    p.length = length;
    p.width = width;
    p.quantity = quantity;
    p.label = label;
    return p;
}

}  // namespace

TEST(Facade, ExampleDataIsShownThroughTheCallbacks)
{
    stavora_2d facade;
    parts_array_2d shown_parts;
    stock_array_2d shown_stock;
    facade.LoadExample([&](const parts_array_2d& p) { shown_parts = p; },
                       [&](const stock_array_2d& s) { shown_stock = s; });
    ASSERT_EQ(shown_parts.count(), 3);
    ASSERT_EQ(shown_stock.count(), 2);
    EXPECT_EQ(shown_parts[0].label.str(), L"john");
    EXPECT_EQ(shown_parts[2].grain, 0);
    EXPECT_EQ(shown_parts[1].quantity, 5);
    EXPECT_EQ(shown_stock[1].quantity, 7);
    EXPECT_EQ(shown_stock[0].grain, 2);
    EXPECT_EQ(shown_stock[0].material.str(), L"glass");
    EXPECT_EQ(facade.version, L"3.0.0.0");
}

TEST(Facade, GatherKeepsParametersTheCallbackDoesNotWrite)
{
    stavora_2d facade;
    facade.parameters.iterations = 7;
    facade.parameters.random_seed = 42;
    facade.parts.Append(Part(1, 1, 1, L"old"));
    EXPECT_TRUE(facade.Gather([](parts_array_2d& p) { p.Append(Part(500, 400, 2, L"new")); },
                              [](stock_array_2d&) {},
                              [](parameters_as_number_2d& p) {
                                  p.cutter_thickness = 3.0;
                                  p.minimal_break_size = 10.0;
                                  p.maximal_cut_length = 2000.0;
                                  p.round_fractions_to = 2;
                              }));
    ASSERT_EQ(facade.parts.count(), 1);
    EXPECT_EQ(facade.parts[0].label.str(), L"new");
    EXPECT_EQ(facade.parameters.iterations, 7);
    EXPECT_EQ(facade.parameters.random_seed, 42);
    EXPECT_DOUBLE_EQ(facade.parameters.cutter_thickness.AsDouble(), 3.0);
}

TEST(Facade, RunWithoutInputGivesStatusZeroAndNoLayouts)
{
    stavora_2d facade;
    EXPECT_EQ(facade.Run({}).status, kRunAllPlaced);
    EXPECT_EQ(facade.solutions_2d.Count(), 0);
    EXPECT_EQ(facade.solutions_1d.Count(), 0);
}

TEST(Facade, MalformedXmlLeavesTheGridAloneButCsvAlwaysShows)
{
    const auto bad = TempFile("bad.xml");
    {
        std::ofstream(bad) << "<data><parts><row>";
    }
    stavora_2d facade;
    facade.parts.Append(Part(100, 100, 1, L"kept"));
    int cleared = 0, shown = 0;
    EXPECT_FALSE(facade.OpenPartListXml(bad, [&] { ++cleared; }, [&](const parts_array_2d&) { ++shown; }));
    EXPECT_EQ(cleared + shown, 0);
    EXPECT_EQ(facade.parts.count(), 1);

    parts_array_2d shown_parts;
    facade.OpenPartListCsv(TempFile("missing.csv"), L',', [&] { ++cleared; },
                           [&](const parts_array_2d& p) { ++shown; shown_parts = p; });
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(shown_parts.count(), 1);  // the failed read left the array as it was
    EXPECT_EQ(shown_parts[0].label.str(), L"kept");
    std::filesystem::remove(bad);
}

TEST(Facade, SavedPartsOpenAgainWithTheirFractions)
{
    const auto file = TempFile("parts.xml");
    stavora_2d facade;
    ASSERT_TRUE(facade.SavePartListXml(file, [](parts_array_2d& p) {
        p.Append(Part(500, 400, 2, L"door"));
        part_as_number_2d inch = Part(12, 10, 1, L"inch");
        inch.length = fractional_double(12.0, 3, 16);
        p.Append(inch);
    }));
    parts_array_2d shown;
    ASSERT_TRUE(facade.OpenPartListXml(file, [] {}, [&](const parts_array_2d& p) { shown = p; }));
    ASSERT_EQ(shown.count(), 2);
    EXPECT_TRUE(shown[1].length.RecordEquals(fractional_double(12.0, 3, 16)));
    EXPECT_TRUE(shown[0].SameAs(Part(500, 400, 2, L"door")));
    std::filesystem::remove(file);
}
