// Answers a workshop acts on, through the facade: which stock record pays for each layout, that no
// piece is left beside stock that takes it, and that failures are never reported as success.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/stavora_2d.h"
#include "job_records.h"

namespace {

struct job {
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
};

run_result RunJob(stavora_2d& facade, const job& j)
{
    facade.parameters = j.parameters;
    facade.Gather([&](parts_array_2d& p) { p = j.parts; }, [&](stock_array_2d& s) { s = j.stock; }, {});
    facade.decimal_input = true;
    return facade.Run({});
}

// Sheets or bars charged to each stock label, from the layouts and from the used-stock summary.
std::map<std::wstring, int32_t> ChargedByLayouts(const stavora_2d& facade)
{
    std::map<std::wstring, int32_t> charged;
    for (const auto& layout : facade.solutions_2d) charged[layout->stock_label.str()] += layout->repetitions;
    for (const auto& layout : facade.solutions_1d) charged[layout->stockLabel.str()] += layout->repeat;
    return charged;
}

std::map<std::wstring, int32_t> ChargedBySummary(const stavora_2d& facade)
{
    std::map<std::wstring, int32_t> charged;
    for (const auto& item : facade.used_stock_2d) charged[item.label.str()] += item.quantity;
    for (const auto& item : facade.used_stock_1d) charged[item.label.str()] += item.quantity;
    return charged;
}

}  // namespace

TEST(TrustedResults, EachLayoutIsChargedToItsOwnStockRecord)
{
    struct charge_case {
        std::string name;
        job input;
        std::map<std::wstring, int32_t> charged;
        double cost_total;
    };
    std::vector<charge_case> cases;
    {
        charge_case c{"two 800 x 800 records of one sheet each", {}, {{L"plain", 1}, {L"trimmed", 1}}, 0.0};
        c.input.parts.Append(Part(700, 700, 2));
        c.input.stock.Append(Sheet(800, 800, 1, L"", L"plain"));
        stock_as_number_2d trimmed = Sheet(800, 800, 1, L"", L"trimmed");
        trimmed.trim_right = 50.0;
        trimmed.trim_bottom = 50.0;
        c.input.stock.Append(trimmed);
        cases.push_back(c);
    }
    {
        charge_case c{"the same sheet size at two prices", {}, {{L"A", 1}, {L"B", 1}}, 1.09e8};
        c.input.parts.Append(Part(1000, 1000, 2));
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"A"));
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"B"));
        c.input.stock[0].price = 10.0;
        c.input.stock[1].price = 99.0;
        cases.push_back(c);
    }
    {
        charge_case c{"two 6000 bar records of one bar each", {}, {{L"first", 1}, {L"second", 1}}, 2.0 * 7.0};
        c.input.parts.Append(Part(4000, 0, 2));
        c.input.stock.Append(Sheet(6000, 0, 1, L"", L"first"));
        c.input.stock.Append(Sheet(6000, 0, 1, L"", L"second"));
        c.input.stock[0].price = 7.0;
        c.input.stock[1].price = 7.0;
        cases.push_back(c);
    }
    for (const charge_case& c : cases) {
        SCOPED_TRACE(c.name);
        stavora_2d facade;
        EXPECT_EQ(RunJob(facade, c.input).status, kRunAllPlaced);
        EXPECT_EQ(ChargedByLayouts(facade), c.charged);
        EXPECT_EQ(ChargedBySummary(facade), c.charged);
        double cost = 0.0;
        for (const auto& entry : facade.utilization_2d) cost += entry->cost_total;
        for (const auto& entry : facade.utilization_1d) cost += entry->cost_total;
        EXPECT_DOUBLE_EQ(cost, c.cost_total);
    }
}

TEST(TrustedResults, NoPieceIsLeftBesideFreeStockThatTakesIt)
{
    struct free_stock_case {
        std::string name;
        job input;
        std::wstring taken_from;
    };
    std::vector<free_stock_case> cases;
    {
        free_stock_case c{"a trimmed sheet listed before a plain one of the same size", {}, L"plain"};
        c.input.parts.Append(Part(950, 950, 1));
        stock_as_number_2d trimmed = Sheet(1000, 1000, 1, L"", L"trimmed");
        trimmed.trim_top = trimmed.trim_left = trimmed.trim_bottom = trimmed.trim_right = 100.0;
        c.input.stock.Append(trimmed);
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"plain"));
        cases.push_back(c);
    }
    {
        free_stock_case c{"a sheet of the other grain listed first", {}, L"grain 1"};
        part_as_number_2d part = Part(900, 400, 1);
        part.grain = 1;
        c.input.parts.Append(part);
        c.input.stock.Append(Sheet(1000, 500, 1, L"", L"grain 2"));
        c.input.stock.Append(Sheet(1000, 500, 1, L"", L"grain 1"));
        c.input.stock[0].grain = 2;
        c.input.stock[1].grain = 1;
        cases.push_back(c);
    }
    {
        free_stock_case c{"cuts too long on the first priority, a smaller sheet next", {}, L"small"};
        c.input.parts.Append(Part(300, 200, 3));
        c.input.stock.Append(Sheet(2440, 1220, 1, L"", L"large"));
        c.input.stock.Append(Sheet(800, 800, 1, L"", L"small"));
        c.input.stock[1].priority = 1;
        c.input.parameters.maximal_cut_length = 1000.0;
        cases.push_back(c);
    }
    {
        free_stock_case c{"a piece reaching into the far trims of a sheet with four trims", {}, L"plain"};
        c.input.parts.Append(Part(988, 500, 1));
        stock_as_number_2d trimmed = Sheet(1000, 1000, 1, L"", L"trimmed");
        trimmed.trim_top = trimmed.trim_left = trimmed.trim_bottom = trimmed.trim_right = 10.0;
        c.input.stock.Append(trimmed);
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"plain"));
        c.input.parameters.cutter_thickness = 4.0;
        cases.push_back(c);
    }
    for (const free_stock_case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint8_t mode : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
            SCOPED_TRACE(mode);
            job input = c.input;
            input.parameters.run_mode = mode;
            stavora_2d facade;
            EXPECT_EQ(RunJob(facade, input).status, kRunAllPlaced);
            int32_t placed = 0;
            for (const auto& part : facade.placed_parts_2d) placed += part.quantity;
            EXPECT_EQ(placed, input.parts[0].quantity);
            for (const auto& layout : facade.solutions_2d) EXPECT_EQ(layout->stock_label.str(), c.taken_from);
        }
    }
}

TEST(TrustedResults, FailuresAreNeverReportedAsSuccess)
{
    struct status_case {
        std::string name;
        job input;
        int32_t status;
        std::wstring message;  // part of the refusal; empty when the job runs
    };
    std::vector<status_case> cases;
    {
        status_case c{"a part too thin for a sheet and not thin enough for a bar", {}, kRunNotAllPlaced, L""};
        c.input.parts.Append(Part(500, 0.0000015, 1));
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"sheet"));
        c.input.stock.Append(Sheet(6000, 0, 1, L"", L"bar"));
        cases.push_back(c);
    }
    {
        status_case c{"two billion of one part", {}, kRunRefused, L"Parts, row 1: quantity 2000000000"};
        c.input.parts.Append(Part(500, 400, 2'000'000'000));
        c.input.stock.Append(Sheet(1000, 1000, 1, L"", L"sheet"));
        cases.push_back(c);
    }
    {
        status_case c{"rows that together pass the bound of a material", {}, kRunRefused, L"Parts, row 3:"};
        c.input.parts.Append(Part(500, 400, 600'000, L"oak"));
        c.input.parts.Append(Part(500, 400, 600'000, L"pine"));
        c.input.parts.Append(Part(500, 400, 600'000, L"OAK"));
        c.input.stock.Append(Sheet(1000, 1000, 1, L"oak", L"sheet"));
        cases.push_back(c);
    }
    {
        status_case c{"quantities adding past the 32-bit counts", {}, kRunRefused, L"Stock, row 2:"};
        c.input.parts.Append(Part(500, 400, 1));
        c.input.stock.Append(Sheet(1000, 1000, 2'000'000'000, L"", L"sheet"));
        c.input.stock.Append(Sheet(1000, 1000, 2'000'000'000, L"", L"sheet"));
        c.input.stock[0].useit = 0;
        cases.push_back(c);
    }
    for (const status_case& c : cases) {
        SCOPED_TRACE(c.name);
        stavora_2d facade;
        const run_result result = RunJob(facade, c.input);
        EXPECT_EQ(result.status, c.status);
        if (c.message.empty()) {
            EXPECT_TRUE(result.message.empty());
        } else {
            EXPECT_NE(result.message.find(c.message), std::wstring::npos);
        }
        if (c.status == kRunRefused) {
            EXPECT_EQ(facade.solutions_2d.Count() + facade.solutions_1d.Count(), 0);
        }
    }
}

TEST(TrustedResults, BarGroupsCutOnlyTheirOwnPiecesAndCostInUserUnits)
{
    job input;
    input.parts.Append(Part(1000.5, 0, 2, L"pine"));
    input.parts.Append(Part(800, 0, 0, L"oak"));
    input.stock.Append(Sheet(6000, 0, 1, L"pine", L"pine bar"));
    input.stock.Append(Sheet(6000, 0, 1, L"oak", L"oak bar"));
    stavora_2d facade;
    EXPECT_EQ(RunJob(facade, input).status, kRunAllPlaced);
    ASSERT_EQ(facade.solutions_1d.Count(), 1);
    EXPECT_EQ(facade.solutions_1d.Get(0)->stockLabel.str(), L"pine bar");
    EXPECT_EQ(facade.solutions_1d.Get(0)->pieceCount(), 2);
    // Without a price a bar costs its length, in the user's units whatever the run's scale.
    ASSERT_EQ(facade.utilization_1d.Count(), 1);
    EXPECT_DOUBLE_EQ(facade.utilization_1d.Get(0)->cost_total, 6000.0);
}
