// The Touchstone 1.1 text, its numbers by std::to_chars: shortest round trip, and no
// locale (a desktop's decimal comma would make the file unreadable).
#include "studies/touchstone.h"

#include <charconv>
#include <cstddef>

namespace {

// A negative zero (the imaginary part of a real S-parameter, as the complex arithmetic
// leaves it) is written as 0: -0 + 0 is +0.
std::string number_text(double value) {
    char digits[32];
    value += 0.0;
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void append_pair(std::string &out, std::complex<double> x) {
    out += ' ';
    out += number_text(x.real());
    out += ' ';
    out += number_text(x.imag());
}

void append_comments(std::string &out, const std::vector<std::string> &comments) {
    for (const std::string &comment : comments) {
        std::size_t start = 0;
        for (;;) {
            std::size_t end = comment.find('\n', start);
            std::string line = comment.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            out += "! " + line + "\n";
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
}

// One frequency's block; continuation lines are indented under the first pair.
void append_block(std::string &out, int ports, double f, const std::complex<double> *m) {
    std::string frequency = number_text(f), indent(frequency.size(), ' ');
    out += frequency;
    auto at = [m, ports](int i, int j) {
        return m[std::size_t(i) * std::size_t(ports) + std::size_t(j)];
    };
    if (ports <= 2) {
        for (int j = 0; j < ports; ++j)
            for (int i = 0; i < ports; ++i)
                append_pair(out, at(i, j));
        out += '\n';
        return;
    }
    for (int i = 0; i < ports; ++i) {
        if (i > 0) out += indent;
        for (int j = 0; j < ports; ++j) {
            if (j > 0 && j % 4 == 0) out += "\n" + indent;
            append_pair(out, at(i, j));
        }
        out += '\n';
    }
}

} // namespace

std::string touchstone_text(int ports, const std::vector<std::string> &comments,
                            std::span<const double> frequencies,
                            std::span<const std::complex<double>> s, double z_ref) {
    if (ports < 1) return {};
    std::size_t block = std::size_t(ports) * std::size_t(ports);
    if (s.size() != frequencies.size() * block) return {};
    std::string out;
    append_comments(out, comments);
    out += "# Hz S RI R " + number_text(z_ref) + "\n";
    for (std::size_t k = 0; k < frequencies.size(); ++k)
        append_block(out, ports, frequencies[k], &s[k * block]);
    return out;
}
