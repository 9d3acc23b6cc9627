// Touchstone text read back by a small reader of the format's own: comments, the option
// line, a 2-port's S11 S21 S12 S22 order, the rows of larger matrices with at most four
// pairs a line, and every number the same double as written.
#include "studies/touchstone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using complex = std::complex<double>;

struct read_file {
    std::vector<std::string> comments;
    std::string options;
    std::vector<std::vector<double>> data_lines; // the numbers of each data line
};

read_file read(const std::string &text) {
    read_file file;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("! ", 0) == 0) {
            file.comments.push_back(line.substr(2));
        } else if (line.rfind('#', 0) == 0) {
            file.options = line;
        } else {
            std::vector<double> numbers;
            const char *at = line.c_str();
            for (char *end = nullptr;; at = end) {
                double value = std::strtod(at, &end);
                if (end == at) break;
                numbers.push_back(value);
            }
            EXPECT_EQ(std::string(at).find_first_not_of(' '), std::string::npos) << line;
            file.data_lines.push_back(numbers);
        }
    }
    return file;
}

// Values that need every digit, a negative zero (written as 0), a subnormal and a huge one.
std::vector<complex> awkward_values(std::size_t count) {
    std::vector<complex> values;
    for (std::size_t i = 0; i < count; ++i) {
        double x = (double(i) + 1) / 3.0 * (i % 2 ? -1 : 1);
        values.emplace_back(x * 1e-3, -x / 7.0);
    }
    values[0] = {-0.0, 4.9e-324};
    values[1] = {1.7976931348623157e308, 0.1};
    return values;
}

// What the file holds reads back bit for bit, but for a negative zero, which is written
// as 0 (a reader has no use for its sign and some print it oddly).
bool same_bits(double a, double b) {
    b += 0.0;
    return std::signbit(a) == std::signbit(b) && (a == b);
}

} // namespace

TEST(touchstone, two_port_in_its_own_order_reads_back_exactly) {
    std::vector<double> frequencies{0, 1e9, 2.4e9 + 1.0 / 3};
    std::vector<complex> s = awkward_values(12);
    std::string text = touchstone_text(2, {"Orvanta line", "two\r\nlines"}, frequencies, s, 42.5);
    read_file file = read(text);
    EXPECT_EQ(file.comments, (std::vector<std::string>{"Orvanta line", "two", "lines"}));
    EXPECT_EQ(file.options, "# Hz S RI R 42.5");
    ASSERT_EQ(file.data_lines.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const std::vector<double> &line = file.data_lines[k];
        ASSERT_EQ(line.size(), 9u);
        EXPECT_TRUE(same_bits(line[0], frequencies[k]));
        // S11 S21 S12 S22: the row-major matrix's entries 0, 2, 1, 3.
        const std::size_t order[] = {0, 2, 1, 3};
        for (std::size_t p = 0; p < 4; ++p) {
            complex want = s[4 * k + order[p]];
            EXPECT_TRUE(same_bits(line[1 + 2 * p], want.real())) << k << " " << p;
            EXPECT_TRUE(same_bits(line[2 + 2 * p], want.imag())) << k << " " << p;
        }
    }
    EXPECT_EQ(
        touchstone_text(1, {}, std::vector<double>{1}, std::vector<complex>{{0.5, -0.25}}, 50),
        "# Hz S RI R 50\n1 0.5 -0.25\n");
}

TEST(touchstone, larger_matrices_go_row_by_row_four_pairs_a_line) {
    for (int ports : {3, 4, 5, 9}) {
        std::size_t block = std::size_t(ports * ports);
        std::vector<double> frequencies{1e6, 3.3e9};
        std::vector<complex> s = awkward_values(2 * block);
        read_file file = read(touchstone_text(ports, {"n-port"}, frequencies, s, 50));
        EXPECT_EQ(file.options, "# Hz S RI R 50");
        int per_row = (ports + 3) / 4;
        ASSERT_EQ(file.data_lines.size(), std::size_t(2 * ports * per_row)) << ports;
        std::size_t line = 0;
        for (std::size_t k = 0; k < 2; ++k)
            for (int i = 0; i < ports; ++i)
                for (int part = 0; part < per_row; ++part, ++line) {
                    const std::vector<double> &numbers = file.data_lines[line];
                    bool first = i == 0 && part == 0;
                    int pairs = std::min(4, ports - 4 * part);
                    ASSERT_EQ(numbers.size(), std::size_t(2 * pairs + (first ? 1 : 0))) << ports;
                    if (first) {
                        EXPECT_TRUE(same_bits(numbers[0], frequencies[k]));
                    }
                    for (int p = 0; p < pairs; ++p) {
                        complex want = s[k * block + std::size_t(i * ports + 4 * part + p)];
                        std::size_t at = std::size_t(2 * p + (first ? 1 : 0));
                        EXPECT_TRUE(same_bits(numbers[at], want.real())) << ports;
                        EXPECT_TRUE(same_bits(numbers[at + 1], want.imag())) << ports;
                    }
                }
    }
    // Arguments that do not fit together give no text.
    std::vector<complex> three(3);
    EXPECT_EQ(touchstone_text(2, {}, std::vector<double>{1}, three, 50), "");
    EXPECT_EQ(touchstone_text(0, {}, std::vector<double>{}, std::vector<complex>{}, 50), "");
}
