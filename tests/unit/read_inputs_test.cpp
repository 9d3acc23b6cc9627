// Validation of the seven fields: reading order, keywords, conversion to metres, the
// refusal lines and the diagnostic line of a too small p.
#include "input/read_inputs.h"
#include "tests/support/sink_capture.h"

#include <array>
#include <string>
#include <vector>

namespace {

// The seven fields of a dialog with the start values, and a record of what validation
// did with the window.
class fake_dialog : public input_source {
  public:
    std::array<std::wstring, 7> texts{L"2.4", L"10", L"0.79", L"0.0", L"2.2", L"2.0", L"AUTO"};
    std::vector<std::wstring> list;
    std::vector<input_field> fetched;

    std::wstring &operator[](input_field c) { return texts[field_index(c)]; }

    void clear_results() override { list.assign(1, L"<cleared>"); }
    void add_line(const wchar_t *text) override { list.emplace_back(text); }
    std::wstring fetch_text(input_field c) override {
        fetched.push_back(c);
        return texts[field_index(c)];
    }
    void print_diagnostic(const char *line) override { diagnostic += line; }

    std::string diagnostic;
};

class read_inputs_test : public core_test {
  protected:
    // Runs validation; returns its result, keeps the diagnostic output and checks that
    // a refusal names the field it is about.
    int validate() {
        dialog.diagnostic.clear();
        dialog.fetched.clear();
        input_field refused = input_field::t;
        int result = read_inputs(dialog, &params, env(), &refused);
        diagnostic = dialog.diagnostic;
        if (result != 0) {
            EXPECT_EQ(refused, dialog.fetched.back());
        }
        return result;
    }
    std::vector<sink_line> refusal(const wchar_t *message) { return {error_line(message)}; }

    fake_dialog dialog;
    calc_params params{};
    std::string diagnostic;
};

TEST_F(read_inputs_test, start_values_fill_every_field_in_metres) {
    params = {9, 9, 9, 9, 9, 9, 9};
    ASSERT_EQ(validate(), 0);
    EXPECT_EQ(dialog.list, (std::vector<std::wstring>{L"<cleared>", L"\tCalculator version 1.0"}));
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(dialog.fetched, (std::vector<input_field>{
                                  input_field::w1, input_field::w2, input_field::h, input_field::p,
                                  input_field::epsilon_r, input_field::d, input_field::mesh_step}));
    EXPECT_EQ(params.w1, 2.4000000000000004 * 0.001);
    EXPECT_EQ(params.w2, 10 * 0.001);
    EXPECT_EQ(params.h, 0.7900000000000001 * 0.001);
    EXPECT_EQ(params.p, 2.0 * 0.001);
    EXPECT_EQ(params.epsilon_r, 2.2);
    EXPECT_EQ(bits(params.d), bits(0.0));
    EXPECT_EQ(params.mesh_step, -1);
    EXPECT_EQ(diagnostic, "");
}

TEST_F(read_inputs_test, keywords_match_the_untrimmed_text_in_any_case) {
    dialog[input_field::w2] = L"inf";
    dialog[input_field::p] = L"Auto";
    dialog[input_field::mesh_step] = L"aUTo";
    ASSERT_EQ(validate(), 0);
    EXPECT_EQ(params.w2, -1);
    EXPECT_EQ(params.p, -1);
    EXPECT_EQ(params.mesh_step, -1);

    dialog[input_field::w2] = L" INF";
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{error_line(L"unrecognized value:"), error_line(L"INF")}));

    // A keyword belongs to its own fields only.
    captured_lines().clear();
    dialog[input_field::w2] = L"10";
    dialog[input_field::h] = L"AUTO";
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{error_line(L"unrecognized value:"), error_line(L"AUTO")}));
}

TEST_F(read_inputs_test, unparsable_text_shows_the_trimmed_text) {
    dialog[input_field::epsilon_r] = L"  2,2\t";
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{error_line(L"unrecognized value:"), error_line(L"2,2")}));
    // Fields after the refused one are not read.
    EXPECT_EQ(dialog.fetched.back(), input_field::epsilon_r);

    captured_lines().clear();
    dialog[input_field::w1] = L"   ";
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{error_line(L"unrecognized value:"), error_line(L"")}));
}

TEST_F(read_inputs_test, each_limit_has_its_message) {
    struct refused_case {
        input_field field;
        const wchar_t *text;
        const wchar_t *message;
        const char *diagnostic;
    };
    const refused_case cases[] = {
        {input_field::w1, L"0", L"ERROR: The value of `w1` must be > 0", ""},
        {input_field::w1, L"5e-18", L"ERROR: The value of `w1` must be > 0", ""},
        {input_field::w2, L"-1", L"ERROR: The value of `w2` must be > 0", ""},
        {input_field::h, L"0", L"ERROR: The value of `h` must be > 0", ""},
        {input_field::p, L"0", L"small `p` will be supported in the next version",
         "0.000000e+00\n"},
        {input_field::p, L"-3", L"small `p` will be supported in the next version",
         "-3.000000e-03\n"},
        {input_field::p, L"0.002", L"small `p` will be supported in the next version",
         "2.000000e-06\n"},
        {input_field::epsilon_r, L"0.99", L"ERROR: epsilon_r must be > 1", ""},
    };
    for (const refused_case &c : cases) {
        fake_dialog fresh;
        dialog = fresh;
        dialog[c.field] = c.text;
        captured_lines().clear();
        EXPECT_EQ(validate(), 1);
        EXPECT_EQ(lines(), refusal(c.message));
        // The small-p refusal also writes p in metres on the diagnostic stream.
        EXPECT_EQ(diagnostic, c.diagnostic);
    }
}

TEST_F(read_inputs_test, limits_at_their_edges_are_accepted) {
    dialog[input_field::w2] = L"5e-18";
    dialog[input_field::h] = L"5e-18";
    dialog[input_field::p] = L"0.01";
    dialog[input_field::epsilon_r] = L"1";
    dialog[input_field::d] = L"-3";
    dialog[input_field::mesh_step] = L"0";
    ASSERT_EQ(validate(), 0);
    EXPECT_EQ(params.epsilon_r, 1);
    EXPECT_EQ(params.d, -3 * 0.001);
    EXPECT_EQ(params.mesh_step, 0);
    dialog[input_field::mesh_step] = L"-1";
    ASSERT_EQ(validate(), 0);
    EXPECT_EQ(params.mesh_step, -0.001);
}

// Infinite or NaN values, and exponents beyond their accumulator, would reach the
// calculation as lengths without meaning; they are refused naming the field.
TEST_F(read_inputs_test, values_that_are_not_finite_are_refused) {
    const std::pair<input_field, const wchar_t *> cases[] = {
        {input_field::w1, L"ERROR: The value of `w1` is out of range"},
        {input_field::w2, L"ERROR: The value of `w2` is out of range"},
        {input_field::h, L"ERROR: The value of `h` is out of range"},
        {input_field::p, L"ERROR: The value of `p` is out of range"},
        {input_field::epsilon_r, L"ERROR: The value of `epsilon_r` is out of range"},
        {input_field::d, L"ERROR: The value of `d` is out of range"},
        {input_field::mesh_step, L"ERROR: The value of `mesh step` is out of range"},
    };
    for (const auto &[field, message] : cases) {
        for (const wchar_t *text : {L"1e400", L"0e400", L"-1e400", L"1e99999999999"}) {
            fake_dialog fresh;
            dialog = fresh;
            dialog[field] = text;
            captured_lines().clear();
            EXPECT_EQ(validate(), 1);
            EXPECT_EQ(lines(), refusal(message));
        }
    }
}

TEST_F(read_inputs_test, only_the_first_999_characters_are_seen) {
    dialog[input_field::w1] = L"2" + std::wstring(998, L' ') + L"x";
    EXPECT_EQ(validate(), 0);
    EXPECT_EQ(params.w1, 2 * 0.001);
    dialog[input_field::w1] = std::wstring(998, L'0') + L"5x";
    EXPECT_EQ(validate(), 0);
    EXPECT_EQ(params.w1, 5 * 0.001);
}

} // namespace

// A NUL inside a field must not cut the text short: '2<NUL>abc' is not '2'.
TEST_F(read_inputs_test, an_embedded_nul_is_refused_with_the_whole_text) {
    dialog[input_field::w1] = std::wstring(L"2\0abc", 5);
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(), (std::vector<sink_line>{error_line(L"unrecognized value:"),
                                               error_line(L"2\ufffdabc")}));
    dialog = fake_dialog();
    dialog[input_field::w2] = std::wstring(L"INF\0", 4);
    captured_lines().clear();
    EXPECT_EQ(validate(), 1);
    EXPECT_EQ(lines(), (std::vector<sink_line>{error_line(L"unrecognized value:"),
                                               error_line(L"INF\ufffd")}));
}
