// The line types' tables and the reading of their texts: one spelling per option, the
// types an option applies to in words, lengths in metres as the decimals typed, and a
// refused text naming its option.
#include "input/line_options.h"
#include "studies/line_study.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(line_options, tables_are_consistent_and_lengths_read_as_typed) {
    std::set<std::string> spellings, keys;
    for (const line_option_spec &o : line_option_specs()) {
        EXPECT_TRUE(spellings.insert(o.spelling).second) << o.spelling;
        EXPECT_TRUE(keys.insert(o.key).second) << o.key;
        EXPECT_EQ(line_option_by_spelling(o.spelling), o.option);
        EXPECT_EQ(line_option_by_key(o.key), o.option);
        EXPECT_FALSE(line_option_applies(o.option, line_type::two_strip)) << o.key;
    }
    for (const line_type_spec &t : line_type_specs())
        EXPECT_EQ(line_type_by_name(t.name), t.type);
    EXPECT_EQ(line_option_types_text(line_option::g), "cpw, gcpw and coupled-gcpw");
    EXPECT_EQ(line_option_types_text(line_option::cover), "embedded-microstrip");

    // The nearest double to the length in metres, whatever form the millimetres took.
    EXPECT_EQ(line_metres(L"0.3", 0.3), 0.0003);
    EXPECT_EQ(line_metres(L"3e-1", 0.3), 0.0003);
    EXPECT_EQ(line_metres(L" 35E-3", 0.035), 3.5e-5);
    EXPECT_EQ(line_metres(L"-0.5e2", -50), -0.05);

    // epsilon-r2 follows epsilon-r unless given; a refused text names its option.
    line_input input = line_input_start(line_type::stripline);
    input.texts[std::size_t(line_option::epsilon_r)] = L"3.2";
    line_geometry g;
    std::wstring reason;
    EXPECT_FALSE(line_read(input, g, reason));
    EXPECT_EQ(g.epsilon_r2, 3.2);
    EXPECT_EQ(g.w, 0.0003);
    input.texts[std::size_t(line_option::h2)] = L"0,2";
    EXPECT_EQ(line_read(input, g, reason), line_option::h2);
    EXPECT_NE(reason.find(L"--h2 '0,2' refused"), std::wstring::npos);
    EXPECT_EQ(line_option_named_in(reason), line_option::h2);

    // A geometry's refusal names its option too; other texts name none.
    cross_section section{};
    input = line_input_start(line_type::microstrip);
    input.texts[std::size_t(line_option::etch)] = L"0.2";
    EXPECT_FALSE(line_build(input, section, reason));
    EXPECT_EQ(line_option_named_in(reason), line_option::etch);
    EXPECT_EQ(line_option_named_in(L"--epsilon-r2: below 1"), line_option::epsilon_r2);
    EXPECT_EQ(line_option_named_in(L"--nonsense: x"), std::nullopt);
    EXPECT_EQ(line_option_named_in(L"conductors overlap"), std::nullopt);
    EXPECT_EQ(line_option_named_in(L"--w\u00e9: x"), std::nullopt);
}
