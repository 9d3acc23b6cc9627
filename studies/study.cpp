// Convergence estimate and synthesis over whole runs of the calculation.
#include "studies/study.h"

#include "core/base/messages.h"

#include "core/base/alloc.h"
#include "core/base/c_locale.h"
#include "core/base/richardson.h"
#include "core/graded/graded_job.h"
#include "core/job/calc_job.h"
#include "input/number_syntax.h"
#include "input/read_inputs.h"
#include "studies/headless_dialog.h"
#include "studies/root_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <optional>

namespace {

// The dialog of one study point: its texts in, its lines and figures out.
class study_host final : public headless_dialog {
  public:
    study_host(const field_texts &fields, study_point &point, const study_watch &watch)
        : headless_dialog(fields), point_(point), watch_(watch) {}

    void append_line(const wchar_t *text) override { point_.lines.emplace_back(text); }
    void meshed(const calc_figures &figures) override {
        point_.cells = figures.cells;
        point_.working_set = figures.working_set;
        if (watch_.meshed) watch_.meshed(point_);
    }
    void finished(const calc_outcome &outcome) override {
        point_.ok = outcome.ok;
        point_.mesh_step = outcome.mesh_step;
        point_.cells = outcome.cells;
        point_.working_set = outcome.working_set;
        if (outcome.ok) {
            point_.z0 = outcome.z0;
            point_.eps_eff = outcome.capacitances[1] / outcome.capacitances[0];
        }
    }

  private:
    study_point &point_;
    const study_watch &watch_;
};

std::optional<double> parse_text(const std::wstring &text) {
    double value = 0;
    if (parse_number(text, &value) != parse_ok) return std::nullopt;
    return value;
}

} // namespace

std::wstring study_value_text(double value) {
    c_locale_scope numbers_in_c_locale;
    wchar_t text[64];
    std::swprintf(text, 64, L"%.12g", value);
    return text;
}

study_point study_run(const field_texts &fields, solver_variant variant, const calc_env &env,
                      input_field varied, const study_watch &watch) {
    study_point point;
    study_host host(fields, point, watch);
    point.value = host.fetch_text(varied);
    calc_env own = calc_host_env(host, env);
    calc_params params{};
    if (!validate_fields(host, &params, own)) calc_thread(&host, &params, variant, own);
    // The specified solver says only that a matrix could not be made; the study says why,
    // so that a search or a sweep names the limit it met.
    if (!point.ok && point.working_set > 0 && !core_memory_fits(own, point.working_set))
        core_report_too_large(own, point.cells, point.working_set);
    return point;
}

namespace {

// The estimate of one figure from the solves so far, the step halved each time: the
// graded panels converge at second order.
richardson estimate_of(const std::vector<study_point> &points, double study_point::*figure) {
    std::vector<double> values;
    for (const study_point &p : points)
        values.push_back(p.*figure);
    return richardson_estimate(values.data(), values.size(), 2.0);
}

} // namespace

std::wstring study_failure_reason(const study_point &point) {
    for (auto line = point.lines.rbegin(); line != point.lines.rend(); ++line) {
        if (*line != calc_failed_text) return *line;
    }
    return L"the calculation failed";
}

convergence study_converge(const field_texts &fields, double tolerance, const calc_env &env,
                           int max_solves, const study_watch &watch) {
    convergence result;
    // Every solve goes through here: the watch hears of it, and a cancel ends the study.
    auto run = [&](const field_texts &texts) -> std::optional<study_point> {
        if (env_cancelled(env)) {
            result.cancelled = true;
            result.stop = L"cancelled";
            return std::nullopt;
        }
        study_point point =
            study_run(texts, solver_variant::accurate, env, input_field::mesh_step, watch);
        if (watch.solved) watch.solved(point);
        return point;
    };
    field_texts texts = fields;
    std::wstring &step_text = texts[field_index(input_field::mesh_step)];
    std::optional<double> given = parse_text(step_text);
    double step_mm;
    if (given && *given > 0) {
        step_mm = *given;
    } else {
        // The automatic step of the geometry as the job resolves it, doubled: the first
        // three meshes then cost little more than one at the automatic step.
        study_point refused;
        study_host reader(texts, refused, watch);
        calc_env quiet = calc_host_env(reader, env);
        calc_params params{};
        if (validate_fields(reader, &params, quiet)) {
            result.stop = study_failure_reason(refused);
            return result;
        }
        step_mm = 2000 * accurate_auto_step(params);
    }

    std::vector<study_point> solved;
    for (int k = 0; k < max_solves && !result.converged; ++k) {
        step_text = study_value_text(step_mm / std::ldexp(1.0, k));
        std::optional<study_point> solve = run(texts);
        if (!solve) break;
        const study_point &point = *solve;
        result.points.push_back(point);
        if (!point.ok) {
            result.stop = study_failure_reason(point);
            break;
        }
        solved.push_back(point);
        richardson z0 = estimate_of(solved, &study_point::z0);
        richardson eps_eff = estimate_of(solved, &study_point::eps_eff);
        result.z0 = z0.value;
        result.z0_error = z0.error;
        result.order = z0.order;
        result.extrapolated = z0.extrapolated;
        result.eps_eff = eps_eff.value;
        result.eps_eff_error = eps_eff.error;
        result.reached = std::max(result.z0_error / std::fabs(result.z0),
                                  result.eps_eff_error / std::fabs(result.eps_eff));
        result.converged = solved.size() >= 3 && result.reached <= tolerance;
    }
    if (!result.converged && result.stop.empty()) {
        result.stop = L"the study's limit of " + std::to_wstring(max_solves) + L" solves";
    }
    result.estimated = !solved.empty();
    return result;
}

synthesis study_synthesize(const field_texts &fields, input_field field, double target,
                           double resolution, solver_variant variant, const calc_env &env,
                           const study_watch &watch) {
    synthesis result;
    field_texts texts = fields;
    std::wstring &text = texts[field_index(field)];
    double start = parse_text(text).value_or(0);
    bool offset = field == input_field::d;
    bool permittivity = field == input_field::epsilon_r;
    // The ladder: the field's value times powers of two (an offset from a base of its
    // size, or 1 mm for none; a permittivity by its excess over 1).
    double base = offset ? (start == 0 ? 1.0 : std::fabs(start)) : permittivity ? start - 1 : start;
    auto rung = [&](int j) {
        double scaled = base * std::ldexp(1.0, j);
        return permittivity ? 1 + scaled : scaled;
    };

    struct sample {
        double value;
        study_point point;
    };
    std::vector<sample> samples; // in increasing value
    auto evaluate = [&](double value) -> const sample * {
        if (env_cancelled(env)) result.cancelled = true;
        if (result.cancelled) return nullptr;
        text = study_value_text(std::round(value / resolution) * resolution);
        double exact = parse_text(text).value_or(value);
        auto at = std::lower_bound(samples.begin(), samples.end(), exact,
                                   [](const sample &s, double v) { return s.value < v; });
        // Near the answer the grid is coarser than the search: a value already solved is
        // not solved again.
        if (at != samples.end() && at->value == exact) return &*at;
        study_point point = study_run(texts, variant, env, field, watch);
        ++result.solves;
        if (watch.solved) watch.solved(point);
        if (!point.ok) {
            if (result.failure.empty()) result.failure = text + L": " + study_failure_reason(point);
            return nullptr;
        }
        return &*samples.insert(at, sample{exact, point});
    };
    auto bracket = [&]() -> std::optional<std::pair<sample, sample>> {
        for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
            double a = samples[i].point.z0 - target, b = samples[i + 1].point.z0 - target;
            if (a * b <= 0) return std::make_pair(samples[i], samples[i + 1]);
        }
        return std::nullopt;
    };

    // Out from the start both ways, then only towards the target: Z0 changes
    // monotonically with the field, so the far side of the other end cannot hold it (and
    // its meshes may cost far more: a thin slab or a narrow strip takes fine cells).
    if (offset) evaluate(0);
    evaluate(rung(0));
    evaluate(rung(1));
    if (!offset) evaluate(rung(-1));
    std::optional<std::pair<sample, sample>> found = bracket();
    for (int j = 2; j <= 6 && !found && !samples.empty() && !result.cancelled; ++j) {
        bool upwards = (samples.back().point.z0 > samples.front().point.z0) ==
                       (target > samples.back().point.z0);
        if (upwards || offset) {
            evaluate(rung(j));
        } else {
            evaluate(rung(-j));
        }
        found = bracket();
    }
    if (samples.empty() || result.cancelled) return result;
    result.searched_from = samples.front().point.value;
    result.searched_to = samples.back().point.value;
    result.z0_from = samples.front().point.z0;
    result.z0_to = samples.back().point.z0;
    if (!found) return result;

    // Brent's method on f(v) = Z0(v) - target over the bracket, within 0.001 ohm; each
    // evaluation lands on the value its text gives.
    auto z0_minus_target = [&](double value) -> std::optional<root_point> {
        const sample *next = evaluate(value);
        if (!next) return std::nullopt;
        return root_point{next->value, next->point.z0 - target};
    };
    root_point best =
        brent_root({found->first.value, found->first.point.z0 - target},
                   {found->second.value, found->second.point.z0 - target}, z0_minus_target, 1e-3);
    if (result.cancelled) return result;
    auto at = std::find_if(samples.begin(), samples.end(),
                           [&best](const sample &s) { return s.value == best.x; });
    result.found = true;
    result.best = at->point;
    return result;
}

long study_sweep_count(double from, double to, double step) {
    double count = (to - from) / step;
    if (!(count >= 0) || count > 10000) return 0;
    return long(std::floor(count + 1e-9)) + 1;
}

double study_sweep_value(double from, double step, long k) {
    double value = from + double(k) * step;
    return std::fabs(value) < 1e-9 * std::fabs(step) ? 0.0 : value;
}

bool study_sweep_each(double from, double to, double step, const calc_env &env,
                      const std::function<void(double)> &run) {
    long count = study_sweep_count(from, to, step);
    for (long k = 0; k < count; ++k) {
        if (env_cancelled(env)) return true;
        run(study_sweep_value(from, step, k));
    }
    return false;
}

sweep study_sweep(const field_texts &fields, input_field field, double from, double to, double step,
                  solver_variant variant, const calc_env &env, const study_watch &watch) {
    sweep result;
    result.field = field;
    result.thickness = fields[field_index(input_field::t)];
    field_texts texts = fields;
    result.cancelled = study_sweep_each(from, to, step, env, [&](double value) {
        texts[field_index(field)] = study_value_text(value);
        study_point point = study_run(texts, variant, env, field, watch);
        result.x.push_back(value);
        result.points.push_back(point);
        if (watch.solved) watch.solved(result.points.back());
    });
    return result;
}
