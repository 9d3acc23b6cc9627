// Text forms of the studies' results.
#include "studies/study_report.h"

#include "core/base/c_locale.h"
#include "input/utf8.h"
#include "studies/text_format.h"

#include <cmath>
#include <cstdio>

std::string study_field_label(input_field field) {
    const field_spec &f = field_spec_of(field);
    return f.unit == field_unit::length ? std::string(f.label) + " (mm)" : std::string(f.label);
}

std::string convergence_heading(double tolerance) {
    return printf_string("Convergence with the accurate variant, tolerance %g%%", tolerance * 100);
}

std::string convergence_step(const study_point &p) {
    return printf_string("step %s mm: %d cells, Z0 = %.6f Ohm, effective permittivity = %.6f",
                         wide_to_utf8(p.value).c_str(), p.cells, p.z0, p.eps_eff);
}

std::vector<std::string> convergence_verdict(const convergence &c, double tolerance) {
    std::vector<std::string> lines;
    std::string stop = wide_to_utf8(c.stop);
    if (c.converged) {
        lines.push_back(printf_string("Converged: estimated error %.2g%%, within %g%%",
                                      c.reached * 100, tolerance * 100));
    } else if (c.estimated) {
        lines.push_back(
            printf_string("Not converged: estimated error %.2g%% (tolerance %g%%); stopped by %s",
                          c.reached * 100, tolerance * 100, stop.c_str()));
    } else {
        lines.push_back(c.cancelled ? "Cancelled before any solve" : "Calculation failed: " + stop);
    }
    if (c.estimated) {
        lines.push_back(
            c.extrapolated
                ? printf_string(
                      "Z0 = %.6f +- %.6f Ohm (Richardson extrapolation, observed order %.2f)", c.z0,
                      c.z0_error, c.order)
            : c.order > 0
                ? printf_string("Z0 = %.6f +- %.6f Ohm (observed order %.2f, not the panels' 2: "
                                "last solve)",
                                c.z0, c.z0_error, c.order)
                : printf_string("Z0 = %.6f +- %.6f Ohm (no orderly approach: last solve)", c.z0,
                                c.z0_error));
        lines.push_back(
            printf_string("Effective permittivity = %.6f +- %.6f", c.eps_eff, c.eps_eff_error));
    }
    return lines;
}

std::vector<std::string> convergence_report(const convergence &c, double tolerance) {
    std::vector<std::string> lines{convergence_heading(tolerance)};
    for (const study_point &p : c.points) {
        if (p.ok) lines.push_back(convergence_step(p));
    }
    std::vector<std::string> verdict = convergence_verdict(c, tolerance);
    lines.insert(lines.end(), verdict.begin(), verdict.end());
    return lines;
}

std::vector<std::string> synthesis_report(const synthesis &s, input_field field, double target,
                                          solver_variant variant) {
    const char *name = field_spec_of(field).option;
    if (s.cancelled) return {"Synthesis cancelled after " + std::to_string(s.solves) + " solves"};
    if (s.searched_from.empty())
        return {std::string("No calculation succeeded while searching ") + name};
    if (!s.found && !s.failure.empty()) {
        return {printf_string("Target Z0 = %s Ohm was not reached: %s from %s to %s gives Z0 from "
                              "%.6f to %.6f Ohm, and %s = %s (%d solves)",
                              format_double(target).c_str(), name,
                              wide_to_utf8(s.searched_from).c_str(),
                              wide_to_utf8(s.searched_to).c_str(), s.z0_from, s.z0_to, name,
                              wide_to_utf8(s.failure).c_str(), s.solves)};
    }
    if (!s.found) {
        return {printf_string("Target Z0 = %s Ohm is outside the range searched: %s from %s to %s "
                              "gives Z0 from %.6f to %.6f Ohm (%d solves)",
                              format_double(target).c_str(), name,
                              wide_to_utf8(s.searched_from).c_str(),
                              wide_to_utf8(s.searched_to).c_str(), s.z0_from, s.z0_to, s.solves)};
    }
    return {printf_string("%s = %s gives Z0 = %.6f Ohm (target %s Ohm, %d solves, %s variant)",
                          name, wide_to_utf8(s.best.value).c_str(), s.best.z0,
                          format_double(target).c_str(), s.solves, variant_name(variant)),
            printf_string("Effective permittivity = %.6f", s.best.eps_eff)};
}

std::string sweep_csv(const sweep &s) {
    // A swept thickness is the first column already; any other sweep names its strips'
    // thickness on every row, so that tables of different boards never read alike.
    bool thickness = s.field != input_field::t;
    std::string table = std::string(field_spec_of(s.field).option) + ",Z0,eps_eff,cells" +
                        (thickness ? ",t\n" : "\n");
    std::string t_column;
    if (thickness) t_column.append(",").append(wide_to_utf8(s.thickness));
    for (const study_point &p : s.points) {
        std::string text = wide_to_utf8(p.value);
        if (p.ok) {
            table += text + "," + format_double(p.z0) + "," + format_double(p.eps_eff) + "," +
                     std::to_string(p.cells) + t_column + "\n";
        } else {
            table += text + ",,," + t_column + "\n";
        }
    }
    return table;
}

plot_series sweep_series(const sweep &s) {
    plot_series series{study_field_label(s.field), s.x, {}, {}};
    for (const study_point &p : s.points) {
        series.z0.push_back(p.ok ? p.z0 : NAN);
        series.eps_eff.push_back(p.ok ? p.eps_eff : NAN);
    }
    return series;
}
