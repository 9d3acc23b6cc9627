// The tables of the line types and their options, and the reading of a type's texts.
#include "input/line_options.h"

#include "input/number_syntax.h"
#include "input/utf8.h"

#include <charconv>
#include <iterator>

namespace {

constexpr unsigned bit(line_type type) {
    return 1u << int(type);
}

constexpr unsigned coupled = bit(line_type::coupled_microstrip) |
                             bit(line_type::coupled_coated_microstrip) |
                             bit(line_type::coupled_stripline) |
                             bit(line_type::broadside_stripline) | bit(line_type::coupled_gcpw);
constexpr unsigned planar = bit(line_type::microstrip) | bit(line_type::coated_microstrip) |
                            bit(line_type::embedded_microstrip) | bit(line_type::stripline) |
                            bit(line_type::cpw) | bit(line_type::gcpw) | coupled;
constexpr unsigned round = bit(line_type::coax) | bit(line_type::twin_wire);
constexpr unsigned coplanar =
    bit(line_type::cpw) | bit(line_type::gcpw) | bit(line_type::coupled_gcpw);
constexpr unsigned striplines = bit(line_type::stripline) | bit(line_type::coupled_stripline) |
                                bit(line_type::broadside_stripline);
constexpr unsigned masked =
    bit(line_type::coated_microstrip) | bit(line_type::coupled_coated_microstrip);

constexpr line_type_spec types[] = {
    {line_type::two_strip, "two-strip", "Two-strip line",
     "a dielectric slab with one strip on each face (the seven fields)"},
    {line_type::microstrip, "microstrip", "Microstrip",
     "a trace on a substrate over a ground plane"},
    {line_type::coated_microstrip, "coated-microstrip", "Coated microstrip",
     "a microstrip under solder mask"},
    {line_type::embedded_microstrip, "embedded-microstrip", "Embedded microstrip",
     "a microstrip under a dielectric cover"},
    {line_type::stripline, "stripline", "Stripline",
     "a trace between two ground planes, centred or offset"},
    {line_type::cpw, "cpw", "Coplanar waveguide", "a trace between coplanar grounds, no plane"},
    {line_type::gcpw, "gcpw", "Grounded coplanar waveguide",
     "a trace between coplanar grounds over a ground plane"},
    {line_type::coupled_microstrip, "coupled-microstrip", "Coupled microstrip",
     "an edge-coupled pair of microstrips"},
    {line_type::coupled_coated_microstrip, "coupled-coated-microstrip", "Coupled coated microstrip",
     "an edge-coupled microstrip pair under solder mask"},
    {line_type::coupled_stripline, "coupled-stripline", "Coupled stripline",
     "an edge-coupled pair between two ground planes"},
    {line_type::broadside_stripline, "broadside-stripline", "Broadside-coupled stripline",
     "two traces one above the other between two ground planes"},
    {line_type::coupled_gcpw, "coupled-gcpw", "Coupled grounded coplanar waveguide",
     "a pair between coplanar grounds over a ground plane"},
    {line_type::coax, "coax", "Coaxial line", "a round conductor in a round shield"},
    {line_type::twin_wire, "twin-wire", "Twin wire", "two parallel round wires"},
};

constexpr line_option_spec options[] = {
    {line_option::w, "w", "w", field_unit::length, nullptr, L"0.3", "trace width at its base",
     planar},
    {line_option::t, "t", "t", field_unit::length, nullptr, L"0.035",
     "trace thickness (0.035: one-ounce copper); a coax's shield wall, for its losses",
     planar | bit(line_type::coax)},
    {line_option::etch, "etch", "etch", field_unit::length, nullptr, L"0",
     "how far each side of the trace's top is set back from its base", planar},
    {line_option::h, "h", "h", field_unit::length, nullptr, L"0.2",
     "dielectric under the trace, from the lower plane to the trace's base", planar},
    {line_option::epsilon_r, "epsilon_r", "epsilon-r", field_unit::ratio, nullptr, L"4.4",
     "relative permittivity of the dielectric under the trace (or filling the line)",
     planar | round},
    {line_option::s, "s", "s", field_unit::length, nullptr, L"0.2",
     "edge-to-edge spacing of the pair (broadside: the dielectric between the traces)", coupled},
    {line_option::g, "g", "g", field_unit::length, nullptr, L"0.15",
     "gap from the trace to its coplanar grounds", coplanar},
    {line_option::ground_width, "ground_width", "ground-width", field_unit::length, L"AUTO",
     L"AUTO", "width of each coplanar ground (AUTO: so wide that widening it changes nothing)",
     coplanar},
    {line_option::h2, "h2", "h2", field_unit::length, nullptr, L"0.2",
     "dielectric from the trace's top to the upper plane", striplines},
    {line_option::epsilon_r2, "epsilon_r2", "epsilon-r2", field_unit::ratio, nullptr, nullptr,
     "relative permittivity above the trace (default: epsilon-r)",
     striplines | bit(line_type::embedded_microstrip)},
    {line_option::cover, "cover", "cover", field_unit::length, nullptr, L"0.1",
     "thickness of the dielectric cover above the substrate's top",
     bit(line_type::embedded_microstrip)},
    {line_option::mask, "mask", "mask", field_unit::length, nullptr, L"0.02",
     "solder-mask thickness over the substrate and each trace's top and sides", masked},
    {line_option::epsilon_mask, "epsilon_mask", "epsilon-mask", field_unit::ratio, nullptr, L"3.5",
     "relative permittivity of the solder mask", masked},
    {line_option::substrate_width, "substrate_width", "substrate-width", field_unit::length,
     L"AUTO", L"AUTO", "width of the dielectric layers (AUTO: without end)", planar},
    {line_option::d_inner, "d_inner", "d-inner", field_unit::length, nullptr, L"0.9",
     "diameter of the inner conductor", bit(line_type::coax)},
    {line_option::d_outer, "d_outer", "d-outer", field_unit::length, nullptr, L"2.95",
     "inner diameter of the shield", bit(line_type::coax)},
    {line_option::diameter, "diameter", "diameter", field_unit::length, nullptr, L"0.5",
     "diameter of each wire", bit(line_type::twin_wire)},
    {line_option::pitch, "pitch", "pitch", field_unit::length, nullptr, L"1.0",
     "distance between the wires' centres", bit(line_type::twin_wire)},
};

static_assert(std::size(options) == line_option_count);

} // namespace

std::span<const line_type_spec> line_type_specs() {
    return types;
}

const line_type_spec &line_type_spec_of(line_type type) {
    return types[int(type)];
}

std::optional<line_type> line_type_by_name(std::string_view name) {
    for (const line_type_spec &t : types) {
        if (name == t.name) return t.type;
    }
    return std::nullopt;
}

std::span<const line_option_spec> line_option_specs() {
    return options;
}

const line_option_spec &line_option_spec_of(line_option option) {
    return options[int(option)];
}

std::optional<line_option> line_option_by_spelling(std::string_view spelling) {
    for (const line_option_spec &o : options) {
        if (spelling == o.spelling) return o.option;
    }
    return std::nullopt;
}

std::optional<line_option> line_option_by_key(std::string_view key) {
    for (const line_option_spec &o : options) {
        if (key == o.key) return o.option;
    }
    return std::nullopt;
}

bool line_option_applies(line_option option, line_type type) {
    return (line_option_spec_of(option).types & bit(type)) != 0;
}

std::string line_option_types_text(line_option option) {
    std::string text;
    int listed = 0, total = 0;
    for (const line_type_spec &t : types)
        total += line_option_applies(option, t.type);
    for (const line_type_spec &t : types) {
        if (!line_option_applies(option, t.type)) continue;
        ++listed;
        if (listed > 1) text += listed == total ? " and " : ", ";
        text += t.name;
    }
    return text;
}

line_input line_input_start(line_type type) {
    line_input input;
    input.type = type;
    for (const line_option_spec &o : options)
        input.texts[std::size_t(o.option)] = o.start ? o.start : L"";
    return input;
}

std::wstring line_text_of(const line_input &input, line_option option) {
    const std::wstring &own = input.texts[std::size_t(option)];
    if (!own.empty()) return own;
    const wchar_t *start = line_option_spec_of(option).start;
    if (start) return start;
    return line_text_of(input, line_option::epsilon_r);
}

double line_metres(std::wstring_view mm_text, double mm) {
    // The typed decimal with its exponent lowered by three, read by from_chars: the
    // double nearest the length in metres (0.3 mm is 0.0003 m, not 0.3 / 1000).
    std::string text = wide_to_utf8(std::wstring(number_trim(mm_text)));
    std::size_t e = text.find_first_of("eE");
    long exponent = 0;
    if (e != std::string::npos) {
        auto [end, error] =
            std::from_chars(text.data() + e + 1, text.data() + text.size(), exponent);
        if (error != std::errc() || end != text.data() + text.size()) return mm / 1000;
        text.resize(e);
    }
    std::string shifted = std::to_string(exponent - 3);
    text.push_back('e');
    text.append(shifted);
    double metres = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), metres);
    return error == std::errc() && end == text.data() + text.size() ? metres : mm / 1000;
}

std::optional<line_option> line_read(const line_input &input, line_geometry &out,
                                     std::wstring &reason) {
    line_geometry g;
    g.type = input.type;
    double *slots[line_option_count] = {&g.w,
                                        &g.t,
                                        &g.etch,
                                        &g.h,
                                        &g.epsilon_r,
                                        &g.s,
                                        &g.g,
                                        &g.ground_width,
                                        &g.h2,
                                        &g.epsilon_r2,
                                        &g.cover,
                                        &g.mask,
                                        &g.epsilon_mask,
                                        &g.substrate_width,
                                        &g.d_inner,
                                        &g.d_outer,
                                        &g.diameter,
                                        &g.pitch};
    for (const line_option_spec &o : options) {
        if (!line_option_applies(o.option, input.type)) continue;
        std::wstring text = line_text_of(input, o.option);
        if (o.keyword && keyword_equals(number_trim(text), o.keyword)) {
            *slots[int(o.option)] = 0;
            continue;
        }
        std::optional<double> value = number_finite(text);
        if (!value) {
            reason = L"--" + utf8_to_wide(o.spelling) + L" '" + text + L"' refused: write " +
                     (o.unit == field_unit::length
                          ? L"a length such as 0.3 (millimetres) or with its unit: 0.3mm, 12mil, "
                            L"300um or 0.012in"
                          : L"a number such as 4.4, 1 or more") +
                     (o.keyword ? L", or " + std::wstring(o.keyword) : L"");
            return o.option;
        }
        *slots[int(o.option)] = o.unit == field_unit::length ? line_metres(text, *value) : *value;
    }
    out = g;
    return std::nullopt;
}

std::optional<line_option> line_option_named_in(std::wstring_view reason) {
    if (!reason.starts_with(L"--")) return std::nullopt;
    reason.remove_prefix(2);
    std::string spelling;
    for (wchar_t c : reason.substr(0, reason.find_first_of(L": "))) {
        if (c > 127) return std::nullopt;
        spelling += char(c);
    }
    return line_option_by_spelling(spelling);
}
