// The line types' sweeps and syntheses.
#include "studies/line_search.h"

#include "input/number_syntax.h"
#include "studies/root_finder.h"
#include "studies/study.h"

#include <algorithm>
#include <cmath>
#include <map>

line_sweep line_sweep_run(const line_input &input, line_option option, double from, double to,
                          double step, double tolerance, bool single, const calc_env &env) {
    line_sweep result;
    result.option = option;
    line_input texts = input;
    result.cancelled = study_sweep_each(from, to, step, env, [&](double value) {
        texts.texts[std::size_t(option)] = study_value_text(value);
        result.x.push_back(value);
        result.points.push_back(line_study_input(texts, tolerance, single, env));
    });
    return result;
}

double line_target_figure(const line_estimate &e, line_target target) {
    if (!e.estimated) return NAN;
    const line_layout &l = e.layout;
    if (target == line_target::z0) return l.n == 1 ? e.value[l.at(line_figure::z0)] : NAN;
    if (l.n != 2) return NAN;
    return e.value[l.at(target == line_target::zdiff ? pair_figure::zdiff : pair_figure::zcommon)];
}

line_synthesis line_synthesize(const line_input &input, line_option option, line_target target,
                               double goal, double tolerance, const calc_env &env) {
    line_synthesis result;
    bool permittivity = line_option_spec_of(option).unit == field_unit::ratio;
    double grid = permittivity ? 1e-4 : study_default_resolution;
    line_input texts = input;
    double start = number_finite(line_text_of(input, option)).value_or(0);
    // A permittivity moves by its excess over 1, a length by itself.
    double base = permittivity ? start - 1 : start;
    if (!(base > 0)) base = permittivity ? 1.0 : 0.1;
    auto rung = [&](int j) {
        double scaled = base * std::ldexp(1.0, j);
        return permittivity ? 1 + scaled : scaled;
    };
    std::map<double, double> figures; // value -> figure
    // The value on the grid nearest the one asked for, and its figure minus the goal.
    auto evaluate = [&](double value) -> std::optional<root_point> {
        double exact = std::max(grid, std::round(value / grid) * grid);
        if (auto seen = figures.find(exact); seen != figures.end())
            return root_point{exact, seen->second - goal};
        if (env_cancelled(env)) {
            result.cancelled = true;
            return std::nullopt;
        }
        texts.texts[std::size_t(option)] = study_value_text(exact);
        line_estimate e = line_study_input(texts, tolerance, true, env);
        ++result.solves;
        double figure = line_target_figure(e, target);
        if (!std::isfinite(figure)) {
            if (result.failure.empty()) result.failure = study_value_text(exact) + L": " + e.stop;
            return std::nullopt;
        }
        figures[exact] = figure;
        return root_point{exact, figure - goal};
    };
    auto bracket = [&]() -> std::optional<std::pair<root_point, root_point>> {
        for (auto it = figures.begin(); it != figures.end() && std::next(it) != figures.end();
             ++it) {
            auto next = std::next(it);
            if ((it->second - goal) * (next->second - goal) <= 0)
                return std::make_pair(root_point{it->first, it->second - goal},
                                      root_point{next->first, next->second - goal});
        }
        return std::nullopt;
    };
    evaluate(rung(0));
    evaluate(rung(1));
    evaluate(rung(-1));
    std::optional<std::pair<root_point, root_point>> found = bracket();
    for (int j = 2; j <= 6 && !found && !figures.empty() && !result.cancelled; ++j) {
        // Towards the target: the figures change monotonically with one option.
        bool rising = figures.rbegin()->second > figures.begin()->second;
        bool upwards = rising == (goal > figures.rbegin()->second);
        evaluate(rung(upwards ? j : -j));
        found = bracket();
    }
    if (figures.empty() || result.cancelled) return result;
    result.from = figures.begin()->first;
    result.to = figures.rbegin()->first;
    result.figure_from = figures.begin()->second;
    result.figure_to = figures.rbegin()->second;
    if (!found) return result;
    root_point best = brent_root(found->first, found->second, evaluate, 1e-3);
    if (result.cancelled) return result;
    result.value = best.x;
    texts.texts[std::size_t(option)] = study_value_text(best.x);
    result.best = line_study_input(texts, tolerance, false, env);
    result.found = result.best.estimated;
    if (!result.found) result.failure = study_value_text(best.x) + L": " + result.best.stop;
    return result;
}
