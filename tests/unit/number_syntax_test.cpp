// The number syntax and its fixed arithmetic: values to the last bit, the trimmed text
// a refusal shows, and every form that is refused.
#include "input/number_syntax.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

struct parsed {
    parse_result result;
    double value;
    std::wstring trimmed;
};

parsed parse(const std::wstring &text) {
    double value = 12345; // a refusal must leave the target alone
    parse_result result = parse_number(text, &value);
    return {result, value, std::wstring(number_trim(text))};
}

double value_of(const std::wstring &text) {
    parsed p = parse(text);
    EXPECT_EQ(p.result, parse_ok) << "refused";
    return p.value;
}

TEST(number_syntax, ipow_squares_repeatedly) {
    EXPECT_EQ(ipow(10.0, 0), 1);
    EXPECT_EQ(ipow(10.0, 3), 1000);
    EXPECT_EQ(ipow(10.0, -1), 0.1);
    EXPECT_EQ(ipow(10.0, -2), 0.1 * 0.1);
    // 0.1^3 = (0.1 * 0.1) * 0.1 by squaring; 0.1^4 = (0.1 * 0.1) squared.
    EXPECT_EQ(ipow(10.0, -3), (0.1 * 0.1) * 0.1);
    EXPECT_EQ(ipow(10.0, -4), (0.1 * 0.1) * (0.1 * 0.1));
    EXPECT_EQ(ipow(10.0, 400), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ipow(10.0, std::numeric_limits<std::int32_t>::min()), 0.0);
}

TEST(number_syntax, values_follow_the_fixed_arithmetic) {
    EXPECT_EQ(value_of(L"2.4"), 2.4000000000000004);
    EXPECT_EQ(value_of(L"0.79"), 0.7900000000000001);
    EXPECT_EQ(value_of(L"0.001"), 0.0010000000000000002);
    EXPECT_EQ(value_of(L"1E-3"), 0.0010000000000000002);
    EXPECT_EQ(value_of(L"123.456e1"), 1234.5600000000002);
    EXPECT_EQ(value_of(L"1e3"), 1000);
    EXPECT_EQ(value_of(L"2.2"), 2.2);
    EXPECT_EQ(value_of(L"1.5"), 1.5);
    EXPECT_EQ(value_of(L"1.50"), 1.5000000000000002);
    EXPECT_EQ(value_of(L"1.500"), 1.5000000000000004);
    EXPECT_EQ(value_of(L"15e-1"), 1.5);
    EXPECT_EQ(value_of(L"1.5e1"), 15);
    EXPECT_EQ(value_of(L"5."), 5);
    EXPECT_EQ(value_of(L"5.e3"), 5000);
    EXPECT_EQ(value_of(L"-1.5"), -1.5);
    EXPECT_EQ(value_of(L"-.5"), -0.5);
    EXPECT_EQ(bits(value_of(L".")), bits(0.0));
    EXPECT_EQ(bits(value_of(L".e3")), bits(0.0));
    EXPECT_EQ(bits(value_of(L"-0")), bits(-0.0));
    EXPECT_EQ(bits(value_of(L"-.")), bits(-0.0));
    EXPECT_EQ(value_of(L"1e-9999"), 0.0);
    EXPECT_EQ(value_of(L"1e400"), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(value_of(L"0e400")));
}

TEST(number_syntax, white_space_is_trimmed) {
    parsed p = parse(L"\t 5 \r\n");
    EXPECT_EQ(p.result, parse_ok);
    EXPECT_EQ(p.value, 5);
    EXPECT_EQ(p.trimmed, L"5");
    // Vertical tab and form feed are not white space.
    EXPECT_EQ(parse(L"\v5").result, parse_syntax_error);
    EXPECT_EQ(parse(L"5\f").result, parse_syntax_error);
    EXPECT_EQ(parse(L"  \t ").trimmed, L"");
    EXPECT_EQ(parse(L" 12abc ").trimmed, L"12abc");
    // A finite value, or none.
    EXPECT_EQ(number_finite(L" 2.5 "), 2.5);
    EXPECT_EQ(number_finite(L"1e400"), std::nullopt);
    EXPECT_EQ(number_finite(L"2,5"), std::nullopt);
}

TEST(number_syntax, malformed_texts_are_refused) {
    for (const wchar_t *text : {L"+5", L"1e+3", L"1e", L"1e-", L"e3", L"12abc", L"1.2.3", L"0x10",
                                L"inf", L"nan", L"", L"   ", L"-", L"--1", L"2,4", L"1 2", L"١"}) {
        parsed p = parse(text);
        EXPECT_EQ(p.result, parse_syntax_error) << "accepted";
        EXPECT_EQ(p.value, 12345);
    }
}

// An exponent beyond the 32-bit accumulator is no ordinary input; it is refused as out
// of range instead of overflowing the accumulator.
TEST(number_syntax, exponent_overflow_is_out_of_range) {
    EXPECT_EQ(parse(L"1e2147483647").result, parse_ok);
    EXPECT_EQ(parse(L"1e2147483648").result, parse_out_of_range);
    EXPECT_EQ(parse(L"1e-99999999999999999999").result, parse_out_of_range);
    EXPECT_EQ(parse(L"0.5e-2147483647").result, parse_ok);
    EXPECT_EQ(parse(L"0.05e-2147483647").result, parse_out_of_range);
    EXPECT_EQ(parse(L"1e-2147483647").result, parse_ok);
}

} // namespace
