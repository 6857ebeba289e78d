// Parts find the stock of their material however its letters were cased, in every script.
#include <gtest/gtest.h>

#include "engine/stavora_2d.h"

namespace {

TEST(RunPath2D, MaterialsMeetIgnoringCaseInEveryScript)
{
    struct Case { const wchar_t* part_material; const wchar_t* stock_material; };
    const Case cases[] = {
        {L"ȘTEJAR", L"ștejar"}, {L"ΈΛΑΤΟ", L"έλατο"}, {L"İNCE", L"ince"},
        {L"KIRMIZI", L"kırmızı"}, {L"STRASSE", L"Straße"}, {L"ДУБ", L"дуб"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        part_as_number_2d part;
        part.length = 500.0;
        part.width = 400.0;
        part.quantity = 2;
        part.material = c.part_material;
        stock_as_number_2d sheet;
        sheet.length = 1000.0;
        sheet.width = 1000.0;
        sheet.quantity = 1;
        sheet.material = c.stock_material;
        stavora_2d facade;
        facade.Gather([&](parts_array_2d& p) { p.Append(part); }, [&](stock_array_2d& s) { s.Append(sheet); },
                      [](parameters_as_number_2d&) {});
        facade.decimal_input = true;
        EXPECT_EQ(facade.Run({}).status, kRunAllPlaced);
        ASSERT_EQ(facade.solutions_2d.Count(), 1);
        EXPECT_EQ(facade.solutions_2d.Get(0)->piece_count(), 2);
    }
}

}  // namespace
