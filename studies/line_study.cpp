// The refinement of a line's panels and the estimate of its figures.
#include "studies/line_study.h"

#include "core/base/richardson.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/line_solve.h"
#include "studies/failure_reason.h"

#include <cmath>

std::size_t line_layout::size() const {
    if (n == 1) return 5;
    return std::size_t(3 * n * n + 2 * n + (n == 2 ? 7 : 0));
}

namespace {

std::vector<double> figures_of(const line_solution &s, const line_layout &layout) {
    std::vector<double> v(layout.size(), 0.0);
    int n = layout.n;
    if (n == 1) {
        double eps_eff = s.modes.mode_eps_eff[0];
        v[layout.at(line_figure::z0)] = s.modes.mode_z[0];
        v[layout.at(line_figure::eps_eff)] = eps_eff;
        v[layout.at(line_figure::delay)] = std::sqrt(eps_eff) / accurate_light_speed;
        v[layout.at(line_figure::c)] = s.c[0];
        v[layout.at(line_figure::l)] = s.modes.l[0];
        return v;
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            std::size_t ij = std::size_t(i * n + j);
            v[layout.c_matrix(i, j)] = s.c[ij];
            v[layout.l_matrix(i, j)] = s.modes.l[ij];
            v[layout.zc_matrix(i, j)] = s.modes.zc[ij];
        }
    for (int k = 0; k < n; ++k) {
        v[layout.mode_z(k)] = s.modes.mode_z[std::size_t(k)];
        v[layout.mode_eps_eff(k)] = s.modes.mode_eps_eff[std::size_t(k)];
    }
    if (n == 2) {
        pair_figures p = pair_figures_of(s.modes);
        double figures[] = {p.zodd,        p.zeven,        p.zdiff,   p.zcommon,
                            p.eps_eff_odd, p.eps_eff_even, p.coupling};
        for (int f = 0; f < 7; ++f)
            v[layout.at(pair_figure(f))] = figures[f];
    }
    return v;
}

std::vector<std::size_t> headline_figures(const line_layout &layout) {
    if (layout.n == 1) return {layout.at(line_figure::z0), layout.at(line_figure::eps_eff)};
    if (layout.n == 2)
        return {layout.at(pair_figure::zdiff), layout.at(pair_figure::zcommon),
                layout.at(pair_figure::eps_eff_odd), layout.at(pair_figure::eps_eff_even)};
    std::vector<std::size_t> list;
    for (int k = 0; k < layout.n; ++k) {
        list.push_back(layout.mode_z(k));
        list.push_back(layout.mode_eps_eff(k));
    }
    return list;
}

} // namespace

line_estimate line_study_run(const cross_section &section, double tolerance, bool single,
                             const calc_env &env, const line_watch &watch, int max_solves) {
    line_estimate e;
    e.layout.n = section.electrode_count;
    e.single = single;
    e.symmetric = section.mirror_x && section.mirror_pair;
    std::vector<line_point> solved;
    std::vector<std::size_t> headline = headline_figures(e.layout);
    for (int k = 0; k < (single ? 1 : max_solves) && !e.converged; ++k) {
        if (env_cancelled(env)) {
            e.cancelled = true;
            e.stop = L"cancelled";
            break;
        }
        line_point point;
        point.density = single ? 2.0 : std::ldexp(0.5, k);
        failure_reason reasons;
        calc_env quiet = reasons.quiet(env);
        line_solution s(quiet);
        point.ok = line_solve(quiet, section, point.density, s);
        point.panels = s.panels;
        if (point.ok) {
            point.values = figures_of(s, e.layout);
            e.mode_voltages.assign(s.modes.mode_voltages.begin(), s.modes.mode_voltages.end());
        } else {
            point.failure = env_cancelled(env) ? L"cancelled" : reasons.last;
        }
        e.points.push_back(point);
        if (watch) watch(point);
        if (!point.ok) {
            e.cancelled = env_cancelled(env);
            e.stop = point.failure;
            break;
        }
        solved.push_back(point);
        std::size_t count = e.layout.size();
        e.value.assign(count, 0.0);
        e.error.assign(count, 0.0);
        std::vector<double> series(solved.size());
        for (std::size_t f = 0; f < count; ++f) {
            for (std::size_t j = 0; j < solved.size(); ++j)
                series[j] = solved[j].values[f];
            richardson r = richardson_estimate(series.data(), series.size(), 2.0);
            e.value[f] = r.value;
            e.error[f] = r.error;
        }
        e.reached = 0;
        for (std::size_t f : headline)
            e.reached = std::max(e.reached, e.error[f] / std::fabs(e.value[f]));
        e.converged = !single && solved.size() >= 3 && e.reached <= tolerance;
    }
    e.estimated = !solved.empty();
    if (single) {
        e.error.assign(e.value.size(), NAN);
    } else if (!e.converged && e.stop.empty()) {
        e.stop = L"the study's limit of " + std::to_wstring(max_solves) + L" solves";
    }
    return e;
}

bool line_build(const line_input &input, cross_section &out, std::wstring &reason) {
    line_geometry g;
    if (line_read(input, g, reason)) return false;
    failure_reason reasons;
    if (line_section(reasons.quiet(calc_env{}), g, out)) return true;
    reason = reasons.last;
    return false;
}

line_estimate line_study_input(const line_input &input, double tolerance, bool single,
                               const calc_env &env, const line_watch &watch) {
    cross_section section{};
    line_estimate refused;
    refused.layout.n = line_signal_count(input.type);
    if (!line_build(input, section, refused.stop)) return refused;
    return line_study_run(section, tolerance, single, env, watch);
}

double line_headline(const line_estimate &e) {
    if (!e.estimated) return NAN;
    return e.layout.n == 2 ? e.value[e.layout.at(pair_figure::zdiff)]
                           : e.value[e.layout.at(line_figure::z0)];
}
