// Parsing of frequencies, lists and sweeps, with the number syntax's own reader.
#include "input/frequency_list.h"

#include "input/number_syntax.h"
#include "input/utf8.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace {

struct unit_spec {
    const char *name; // lower case
    int exponent;
};

constexpr unit_spec units[] = {{"hz", 0}, {"khz", 3}, {"mhz", 6}, {"ghz", 9}, {"thz", 12}};

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool refuse(std::string_view text, const std::string &why, std::string &error) {
    std::string message(1, '\'');
    message.append(text).append("' refused: ").append(why);
    error = std::move(message);
    return false;
}

// The decimal exponent of a unit: none for no unit.
std::optional<int> unit_exponent(std::string_view unit) {
    if (unit.empty()) return 0;
    std::string name = lower(unit);
    for (const unit_spec &u : units)
        if (name == u.name) return u.exponent;
    return std::nullopt;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Where the number ends: digits, points, signs (for the syntax to refuse '+'), and an
// exponent letter followed by a digit or a sign. No unit starts with an e.
std::size_t number_end(std::string_view text) {
    std::size_t i = 0;
    auto signed_digit = [&](std::size_t at) {
        return at < text.size() && (is_digit(text[at]) || text[at] == '-' || text[at] == '+');
    };
    while (i < text.size()) {
        char c = text[i];
        bool exponent = (c == 'e' || c == 'E') && signed_digit(i + 1);
        if (!is_digit(c) && c != '.' && c != '-' && c != '+' && !exponent) break;
        ++i;
    }
    return i;
}

// The number, which follows the syntax, with its decimal exponent raised by shift:
// "2.4" and 9 give "2.4e9", "1.5e3" and 6 give "1.5e9". Its exponent fits 32 bits, or
// the syntax would have refused it as out of range.
std::wstring shifted(std::string_view number, int shift) {
    std::size_t e = number.find_first_of("eE");
    long exponent = 0;
    if (e != std::string_view::npos) {
        std::from_chars(number.data() + e + 1, number.data() + number.size(), exponent);
        number = number.substr(0, e);
    }
    return utf8_to_wide(number) + L"e" + std::to_wstring(exponent + shift);
}

bool rising(const std::vector<double> &values, std::string &error) {
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (!(values[i] > values[i - 1])) {
            error = "frequencies must rise: " + frequency_text(values[i]) + " after " +
                    frequency_text(values[i - 1]);
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A sweep's POINTS: a whole number from 1 to the limit.
bool points_of(std::string_view field, std::string_view text, int &points, std::string &error) {
    std::string_view typed = trim(field);
    double value = 0;
    if (parse_number(utf8_to_wide(typed), &value) != parse_ok || !std::isfinite(value) ||
        value != std::floor(value))
        return refuse(text, "POINTS '" + std::string(typed) + "' is not a whole number", error);
    if (value < 1) return refuse(text, "POINTS must be at least 1", error);
    if (value > frequency_max_points)
        return refuse(text, "more than " + std::to_string(frequency_max_points) + " points", error);
    points = int(value);
    return true;
}

bool spacing_is_log(std::string_view field, std::string_view text, bool &log, std::string &error) {
    std::string name = lower(trim(field));
    log = name == "log";
    if (log || name == "lin") return true;
    return refuse(text, "the spacing '" + std::string(trim(field)) + "' is neither lin nor log",
                  error);
}

// POINTS frequencies from `from` to `to`, the ends exact: evenly spaced, or by
// logarithms evenly spaced (never the ratio to / from, which could overflow).
std::vector<double> sweep_points(double from, double to, int points, bool log) {
    std::vector<double> values(std::size_t(points), from);
    for (int i = 1; i < points - 1; ++i) {
        double t = double(i) / double(points - 1);
        values[std::size_t(i)] =
            log ? std::exp(std::log(from) + (std::log(to) - std::log(from)) * t)
                : from + (to - from) * t;
    }
    values.back() = to;
    return values;
}

} // namespace

bool frequency_parse(const std::string &text, double &hz, std::string &error) {
    std::string_view typed = trim(text);
    if (typed.empty()) return refuse(typed, "no frequency", error);
    std::size_t end = number_end(typed);
    std::string_view number = typed.substr(0, end), unit = trim(typed.substr(end));
    double value = 0;
    parse_result read = parse_number(utf8_to_wide(number), &value);
    if (number.empty() || read == parse_syntax_error) return refuse(typed, "not a number", error);
    std::optional<int> exponent = unit_exponent(unit);
    if (!exponent) {
        return refuse(typed,
                      "unknown unit '" + std::string(unit) + "' (write Hz, kHz, MHz, GHz or THz)",
                      error);
    }
    if (read == parse_out_of_range ||
        parse_number(shifted(number, *exponent), &value) != parse_ok || !std::isfinite(value))
        return refuse(typed, "not a finite frequency", error);
    if (value < 0) return refuse(typed, "a frequency cannot be negative", error);
    hz = value + 0.0; // -0 becomes +0
    return true;
}

bool frequency_list_parse(const std::string &text, std::vector<double> &out, std::string &error) {
    if (trim(text).empty()) return refuse(trim(text), "no frequency", error);
    std::vector<std::string_view> entries = split(text, ',');
    if (entries.size() > std::size_t(frequency_max_points)) {
        return refuse(trim(text),
                      "more than " + std::to_string(frequency_max_points) + " frequencies", error);
    }
    std::vector<double> values;
    for (std::string_view entry : entries) {
        if (trim(entry).empty()) return refuse(trim(text), "an entry of the list is empty", error);
        double hz = 0;
        if (!frequency_parse(std::string(entry), hz, error)) return false;
        values.push_back(hz);
    }
    if (!rising(values, error)) return false;
    out = std::move(values);
    return true;
}

bool frequency_sweep_parse(const std::string &text, std::vector<double> &out, std::string &error) {
    std::string_view typed = trim(text);
    std::vector<std::string_view> fields = split(typed, ':');
    if (fields.size() != 3 && fields.size() != 4)
        return refuse(typed, "write FROM:TO:POINTS, or FROM:TO:POINTS:log", error);
    bool log = false;
    if (fields.size() == 4 && !spacing_is_log(fields[3], typed, log, error)) return false;
    double from = 0, to = 0;
    int points = 0;
    if (!frequency_parse(std::string(fields[0]), from, error) ||
        !frequency_parse(std::string(fields[1]), to, error) ||
        !points_of(fields[2], typed, points, error))
        return false;
    if (to < from) {
        return refuse(
            typed, "TO (" + frequency_text(to) + ") is below FROM (" + frequency_text(from) + ")",
            error);
    }
    if (points == 1 && to != from)
        return refuse(typed, "a single point needs TO equal to FROM", error);
    if (points > 1 && to == from)
        return refuse(typed, "a sweep of " + std::to_string(points) + " points needs TO above FROM",
                      error);
    if (log && !(from > 0)) return refuse(typed, "a logarithmic sweep needs FROM above 0", error);
    std::vector<double> values = sweep_points(from, to, points, log);
    if (!rising(values, error)) return false;
    out = std::move(values);
    return true;
}

std::string frequency_text(double hz) {
    static constexpr struct {
        double size;
        const char *name;
    } shown[] = {{1e12, " THz"}, {1e9, " GHz"}, {1e6, " MHz"}, {1e3, " kHz"}, {1, " Hz"}};
    const auto *unit = &shown[4];
    for (const auto &u : shown) {
        if (hz >= u.size) {
            unit = &u;
            break;
        }
    }
    char digits[32];
    char *end = std::to_chars(digits, digits + sizeof digits, hz / unit->size).ptr;
    return std::string(digits, end) + unit->name;
}
