// Frequencies as typed: units and their letter case, the exact doubles a unit's exponent
// gives, lists, linear and logarithmic sweeps with exact ends, and every refusal with
// the text it quotes.
#include "input/frequency_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

double hz_of(const std::string &text) {
    double hz = -1;
    std::string error;
    EXPECT_TRUE(frequency_parse(text, hz, error)) << text << ": " << error;
    return hz;
}

// The refusal's text; the target must be left alone.
std::string refusal(const std::string &text) {
    double hz = 12345;
    std::string error;
    EXPECT_FALSE(frequency_parse(text, hz, error)) << text;
    EXPECT_EQ(hz, 12345) << text;
    return error;
}

std::string list_refusal(const std::string &text) {
    std::vector<double> out{7};
    std::string error;
    EXPECT_FALSE(frequency_list_parse(text, out, error)) << text;
    EXPECT_EQ(out, std::vector<double>{7}) << text;
    return error;
}

std::vector<double> sweep(const std::string &text) {
    std::vector<double> out;
    std::string error;
    EXPECT_TRUE(frequency_sweep_parse(text, out, error)) << text << ": " << error;
    return out;
}

std::string sweep_refusal(const std::string &text) {
    std::vector<double> out{7};
    std::string error;
    EXPECT_FALSE(frequency_sweep_parse(text, out, error)) << text;
    EXPECT_EQ(out, std::vector<double>{7}) << text;
    return error;
}

} // namespace

TEST(frequency_list, units_move_the_exponent_in_any_case) {
    EXPECT_EQ(hz_of("10MHz"), 1e7);
    EXPECT_EQ(hz_of("20GHz"), 2e10);
    EXPECT_EQ(hz_of("1.5e9"), 1.5e9);
    EXPECT_EQ(hz_of("100kHz"), 1e5);
    EXPECT_EQ(hz_of("1THz"), 1e12);
    EXPECT_EQ(hz_of("50 Hz"), 50);
    // 2.4 GHz is the double nearest 2.4e9, which 2.4 * 1e9 is not.
    EXPECT_EQ(hz_of("2.4GHz"), 2.4e9);
    EXPECT_EQ(hz_of(" 2.4 ghz "), 2.4e9);
    EXPECT_EQ(hz_of("2.45gHZ"), 2.45e9);
    EXPECT_EQ(hz_of("1e-3GHz"), 1e6);
    EXPECT_EQ(hz_of("1.5e3MHz"), 1.5e9);
    EXPECT_EQ(hz_of("0"), 0);
    EXPECT_FALSE(std::signbit(hz_of("-0")));
    EXPECT_FALSE(std::signbit(hz_of("-0GHz")));
}

TEST(frequency_list, refusals_quote_the_text) {
    EXPECT_EQ(refusal(""), "'' refused: no frequency");
    EXPECT_EQ(refusal("   "), "'' refused: no frequency");
    EXPECT_EQ(refusal("abc"), "'abc' refused: not a number");
    EXPECT_EQ(refusal("GHz"), "'GHz' refused: not a number");
    EXPECT_EQ(refusal("10xHz"),
              "'10xHz' refused: unknown unit 'xHz' (write Hz, kHz, MHz, GHz or THz)");
    EXPECT_EQ(refusal("10 M"), "'10 M' refused: unknown unit 'M' (write Hz, kHz, MHz, GHz or THz)");
    EXPECT_EQ(refusal("-1GHz"), "'-1GHz' refused: a frequency cannot be negative");
    EXPECT_EQ(refusal("1e400"), "'1e400' refused: not a finite frequency");
    EXPECT_EQ(refusal("1e300THz"), "'1e300THz' refused: not a finite frequency");
    EXPECT_EQ(refusal("1e99999999999"), "'1e99999999999' refused: not a finite frequency");
    // The number syntax has no words and no '+'.
    EXPECT_EQ(refusal("1,5GHz"),
              "'1,5GHz' refused: unknown unit ',5GHz' (write Hz, kHz, MHz, GHz or THz)");
    for (const char *word : {"inf", "nan", "+5GHz", "1e+9", "1.2.3", "-"})
        EXPECT_EQ(refusal(word), std::string("'") + word + "' refused: not a number");
}

TEST(frequency_list, lists_rise_strictly) {
    std::vector<double> out;
    std::string error;
    EXPECT_TRUE(frequency_list_parse("1GHz, 2GHz,5.5 GHz", out, error)) << error;
    EXPECT_EQ(out, (std::vector<double>{1e9, 2e9, 5.5e9}));
    EXPECT_TRUE(frequency_list_parse("0", out, error)) << error;
    EXPECT_EQ(out, std::vector<double>{0});
    EXPECT_EQ(list_refusal("5GHz,2GHz"), "frequencies must rise: 2 GHz after 5 GHz");
    EXPECT_EQ(list_refusal("1MHz,1000kHz"), "frequencies must rise: 1 MHz after 1 MHz");
    EXPECT_EQ(list_refusal("1GHz,,2GHz"), "'1GHz,,2GHz' refused: an entry of the list is empty");
    EXPECT_EQ(list_refusal("1GHz,"), "'1GHz,' refused: an entry of the list is empty");
    EXPECT_EQ(list_refusal(""), "'' refused: no frequency");
    EXPECT_EQ(list_refusal("1GHz,abc"), "'abc' refused: not a number");
    // As many entries as the limit, and one more.
    std::string longest = "1";
    for (int i = 2; i <= frequency_max_points; ++i) {
        longest += ',';
        longest += std::to_string(i);
    }
    EXPECT_TRUE(frequency_list_parse(longest, out, error)) << error;
    EXPECT_EQ(out.size(), std::size_t(frequency_max_points));
    EXPECT_EQ(out.back(), frequency_max_points);
    EXPECT_EQ(list_refusal(longest + ",100001").substr(0, 1), "'");
    EXPECT_NE(list_refusal(longest + ",100001").find("refused: more than 100000 frequencies"),
              std::string::npos);
}

TEST(frequency_list, sweeps_are_even_or_geometric_with_exact_ends) {
    std::vector<double> linear = sweep("1GHz:2GHz:11");
    ASSERT_EQ(linear.size(), 11u);
    EXPECT_EQ(linear.front(), 1e9);
    EXPECT_EQ(linear.back(), 2e9);
    for (std::size_t i = 0; i < linear.size(); ++i)
        EXPECT_NEAR(linear[i], 1e9 + 1e8 * double(i), 1e-6) << i;
    EXPECT_EQ(sweep("0:1GHz:3:lin"), (std::vector<double>{0, 5e8, 1e9}));
    // An awkward span: the ends are still exactly those typed.
    std::vector<double> odd = sweep("0.1GHz:2.9GHz:7");
    EXPECT_EQ(odd.front(), 0.1e9);
    EXPECT_EQ(odd.back(), 2.9e9);
    std::vector<double> decades = sweep("1MHz:10GHz:5:log");
    ASSERT_EQ(decades.size(), 5u);
    EXPECT_EQ(decades.front(), 1e6);
    EXPECT_EQ(decades.back(), 1e10);
    for (std::size_t i = 0; i < decades.size(); ++i)
        EXPECT_NEAR(decades[i], std::pow(10.0, 6 + double(i)), 1e-13 * decades[i]) << i;
    std::vector<double> ratio = sweep("3.3MHz:41GHz:200:LOG");
    ASSERT_EQ(ratio.size(), 200u);
    EXPECT_EQ(ratio.front(), 3.3e6);
    EXPECT_EQ(ratio.back(), 41e9);
    double step = std::pow(41e9 / 3.3e6, 1.0 / 199);
    for (std::size_t i = 1; i < ratio.size(); ++i)
        EXPECT_NEAR(ratio[i] / ratio[i - 1], step, 1e-13) << i;
    EXPECT_EQ(sweep("1GHz:1GHz:1"), std::vector<double>{1e9});
}

TEST(frequency_list, sweep_refusals_say_what_is_wrong) {
    EXPECT_EQ(sweep_refusal("1GHz:2GHz"),
              "'1GHz:2GHz' refused: write FROM:TO:POINTS, or FROM:TO:POINTS:log");
    EXPECT_EQ(sweep_refusal("1:2:3:log:5"),
              "'1:2:3:log:5' refused: write FROM:TO:POINTS, or FROM:TO:POINTS:log");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:5:cubic"),
              "'1GHz:2GHz:5:cubic' refused: the spacing 'cubic' is neither lin nor log");
    EXPECT_EQ(sweep_refusal("2GHz:1GHz:5"),
              "'2GHz:1GHz:5' refused: TO (1 GHz) is below FROM (2 GHz)");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:2.5"),
              "'1GHz:2GHz:2.5' refused: POINTS '2.5' is not a whole number");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:many"),
              "'1GHz:2GHz:many' refused: POINTS 'many' is not a whole number");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:0"), "'1GHz:2GHz:0' refused: POINTS must be at least 1");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:100001"),
              "'1GHz:2GHz:100001' refused: more than 100000 points");
    EXPECT_EQ(sweep("1GHz:2GHz:100000").size(), 100000u);
    EXPECT_EQ(sweep_refusal("0:1GHz:5:log"),
              "'0:1GHz:5:log' refused: a logarithmic sweep needs FROM above 0");
    EXPECT_EQ(sweep_refusal("1GHz:1GHz:5"),
              "'1GHz:1GHz:5' refused: a sweep of 5 points needs TO above FROM");
    EXPECT_EQ(sweep_refusal("1GHz:2GHz:1"),
              "'1GHz:2GHz:1' refused: a single point needs TO equal to FROM");
    EXPECT_EQ(sweep_refusal("1GHz:abc:5"), "'abc' refused: not a number");
    EXPECT_EQ(sweep_refusal("-1GHz:1GHz:5"), "'-1GHz' refused: a frequency cannot be negative");
    // Points closer than the doubles can tell apart.
    // Points closer than the doubles can tell apart: 2^53 + 1 rounds to 2^53.
    EXPECT_EQ(sweep_refusal("9007199254740992:9007199254740994:3"),
              "frequencies must rise: 9007.199254740992 THz after 9007.199254740992 THz");
}

TEST(frequency_list, texts_take_the_largest_unit_reached) {
    EXPECT_EQ(frequency_text(2.4e9), "2.4 GHz");
    EXPECT_EQ(frequency_text(150), "150 Hz");
    EXPECT_EQ(frequency_text(0), "0 Hz");
    EXPECT_EQ(frequency_text(1e12), "1 THz");
    EXPECT_EQ(frequency_text(999.5e3), "999.5 kHz");
    EXPECT_EQ(frequency_text(0.25), "0.25 Hz");
}
