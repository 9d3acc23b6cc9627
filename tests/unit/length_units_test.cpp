// Length units: conversions between millimetres, mils and micrometres that keep
// keywords and refusals for validation and land on round values.
#include "input/length_units.h"

#include <gtest/gtest.h>

TEST(length_units, conversions_keep_keywords_and_refusals_and_land_on_round_values) {
    EXPECT_EQ(length_text_convert(L"100", length_unit::mil, length_unit::mm), L"2.54");
    EXPECT_EQ(length_text_convert(L"2.54", length_unit::mm, length_unit::mil), L"100");
    EXPECT_EQ(length_text_convert(L"790", length_unit::um, length_unit::mm), L"0.79");
    EXPECT_EQ(length_text_convert(L"0.79", length_unit::mm, length_unit::um), L"790");
    // The same unit never rewrites a text; keywords and garbage pass for validation.
    EXPECT_EQ(length_text_convert(L" 2.40 ", length_unit::mm, length_unit::mm), L" 2.40 ");
    for (const wchar_t *kept : {L"INF", L"auto", L"12abc", L"", L"1e99999"})
        EXPECT_EQ(length_text_convert(kept, length_unit::mil, length_unit::mm), kept);
    EXPECT_EQ(length_unit_mm(length_unit::mil), 0.0254);
    length_unit unit;
    EXPECT_TRUE(length_unit_from_name("um", unit));
    EXPECT_EQ(unit, length_unit::um);
    EXPECT_FALSE(length_unit_from_name("inch", unit));
}
