// Design files: the round trip of every field through the file, the refusals of broken
// or foreign files (each naming the file, nothing changed) and the atomic write.
#include "input/design_file.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(design_file, every_field_choice_and_unit_round_trips_exactly) {
    scratch s;
    design d;
    const std::wstring texts[] = {L"94.5", L"inf",  L"31.1", L" -3.5e0 ",
                                  L"4.40", L"auto", L"1e0",  L"1.4"};
    std::copy(std::begin(texts), std::end(texts), d.fields);
    d.unit = length_unit::mil;
    d.variant = solver_variant::accurate;
    d.tolerance_percent = 0.01;
    std::string error;
    ASSERT_TRUE(design_write(s.file("a.orvanta"), d, error)) << error;
    design back;
    ASSERT_TRUE(design_read(s.file("a.orvanta"), back, error)) << error;
    for (int i = 0; i < input_field_count; ++i)
        EXPECT_EQ(back.fields[i], texts[i]) << i;
    EXPECT_EQ(back.unit, length_unit::mil);
    EXPECT_EQ(back.variant, solver_variant::accurate);
    EXPECT_EQ(back.tolerance_percent, 0.01);
    // The percentage is written as it was typed, not as a fraction times 100.
    EXPECT_NE(design_json(d).find("\"tolerance_percent\": 0.01\n"), std::string::npos);
    // Micrometres and the start design too; writing again gives the same bytes.
    for (length_unit unit : {length_unit::um, length_unit::mm}) {
        design start;
        start.unit = unit;
        if (unit == length_unit::um)
            for (int i = 0; i < input_field_count; ++i)
                if (field_is_length(input_field(i)))
                    start.fields[i] = length_text_convert(start.fields[i], length_unit::mm, unit);
        ASSERT_TRUE(design_write(s.file("b.orvanta"), start, error)) << error;
        ASSERT_TRUE(design_read(s.file("b.orvanta"), back, error)) << error;
        EXPECT_EQ(design_json(back), contents(s.file("b.orvanta")));
        EXPECT_EQ(back.fields[0], start.fields[0]);
    }
}

TEST(design_file, a_broken_or_foreign_file_is_refused_by_name_and_changes_nothing) {
    scratch s;
    design d;
    std::string error;
    ASSERT_TRUE(design_write(s.file("good.orvanta"), d, error));
    std::string good = contents(s.file("good.orvanta"));
    const std::pair<std::string, std::string> cases[] = {
        {"", "JSON syntax error at byte"},
        {good.substr(0, good.size() / 2), "JSON syntax error at byte"},
        {"w1 = 2.4\n", "JSON syntax error"},
        {"[1, 2]", "not an Orvanta design file"},
        {R"({"format": "other", "version": 1})", "not an Orvanta design file"},
        {replaced(good, "\"version\": 1", "\"version\": 3"),
         "written by a newer Orvanta (design format 3; this program reads 2)"},
        {replaced(good, "\"tolerance_percent\": 0.05",
                  "\"tolerance_percent\": 0.05, \"line\": \"slot\""),
         "\"line\" is no line type"},
        {replaced(good, "\"tolerance_percent\": 0.05",
                  "\"tolerance_percent\": 0.05, \"line\": \"microstrip\", \"line_options\": "
                  "{\"g\": \"1\"}"),
         "\"line_options\".\"g\" is no option of microstrip"},
        {replaced(good, "\"tolerance_percent\": 0.05",
                  "\"tolerance_percent\": 0.05, \"line\": \"microstrip\", \"line_options\": "
                  "{\"w\": \"-1\"}"),
         "line microstrip: --w: the trace width must be > 0"},
        {replaced(good, "\"w1\": \"2.4\",", ""), "\"fields\".\"w1\" is missing"},
        {replaced(good, "\"h\": \"0.79\"", "\"h\": 0.79"), "\"fields\".\"h\" must be a text"},
        {replaced(good, "\"unit\": \"mm\"", "\"unit\": \"inch\""),
         "\"unit\" must be mm, mil or um"},
        {replaced(good, "\"specified\"", "\"fast\""), "\"variant\" must be specified or accurate"},
        {replaced(good, "\"tolerance_percent\": 0.05", "\"tolerance_percent\": 0"),
         "\"tolerance_percent\" must be a number above 0"},
        {replaced(good, "\"tolerance_percent\": 0.05", "\"tolerance_percent\": 1e999"),
         "a number out of range"},
        {replaced(good, "\"w1\": \"2.4\"", "\"w1\": \"-1\""),
         "field w1 = \"-1\": ERROR: The value of `w1` must be > 0"},
        {replaced(good, "\"p\": \"2.0\"", "\"p\": \"2x\""),
         "field p = \"2x\": unrecognized value: 2x"},
        {replaced(good, "\"t\": \"0\"", "\"t\": \"5\""),
         "field t = \"5\": ERROR: The strip thickness `t` must not exceed `h`"},
    };
    for (const auto &[text, message] : cases) {
        put(s.file("bad.orvanta"), text);
        design out;
        out.fields[0] = L"untouched";
        error.clear();
        EXPECT_FALSE(design_read(s.file("bad.orvanta"), out, error)) << text;
        EXPECT_EQ(error.rfind(s.file("bad.orvanta") + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(out.fields[0], L"untouched");
    }
    EXPECT_FALSE(design_read(s.file("missing.orvanta"), d, error));
    EXPECT_EQ(error, s.file("missing.orvanta") + ": cannot open: No such file or directory");
    put(s.file("big.orvanta"), std::string(2 << 20, ' '));
    EXPECT_FALSE(design_read(s.file("big.orvanta"), d, error));
    EXPECT_NE(error.find("too large to be a design file"), std::string::npos);
}

TEST(design_file, writing_is_atomic_and_keeps_the_mode) {
    scratch s;
    design d;
    std::string path = s.file("keep.orvanta"), error;
    ASSERT_TRUE(design_write(path, d, error));
    chmod(path.c_str(), 0640);
    d.fields[0] = L"3";
    ASSERT_TRUE(design_write(path, d, error));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_NE(contents(path).find("\"w1\": \"3\""), std::string::npos);
    // No temporary left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir), fs::directory_iterator{}), 1);
    // A directory that cannot be written to: refused by name, the old file intact.
    if (geteuid() != 0) {
        std::string before = contents(path);
        fs::permissions(s.dir, fs::perms::owner_read | fs::perms::owner_exec);
        d.fields[0] = L"4";
        EXPECT_FALSE(design_write(path, d, error));
        EXPECT_EQ(error.rfind(path + ": cannot write: ", 0), 0u) << error;
        EXPECT_EQ(contents(path), before);
    }
    EXPECT_FALSE(design_write(s.file("no/such/dir.orvanta"), d, error));
    EXPECT_NE(error.find("no/such/dir.orvanta: cannot write: No such file or directory"),
              std::string::npos);
}

TEST(design_file, a_line_type_keeps_its_options_as_typed) {
    scratch s;
    design d;
    d.unit = length_unit::mil;
    d.line = line_input_start(line_type::coupled_gcpw);
    d.line.texts[std::size_t(line_option::s)] = L"6";
    d.line.texts[std::size_t(line_option::ground_width)] = L"AUTO";
    std::string error;
    ASSERT_TRUE(design_write(s.file("pair.orvanta"), d, error)) << error;
    EXPECT_NE(contents(s.file("pair.orvanta")).find("\"version\": 2"), std::string::npos);
    design back;
    ASSERT_TRUE(design_read(s.file("pair.orvanta"), back, error)) << error;
    EXPECT_EQ(design_json(back), design_json(d));
    EXPECT_EQ(back.line.type, line_type::coupled_gcpw);
    // Read in millimetres: 6 mil is 0.1524 mm, exactly as the unit conversion makes it.
    EXPECT_EQ(design_line_mm(back).texts[std::size_t(line_option::s)], L"0.1524");
}
