// Convergence estimate and synthesis over whole runs of the calculation.
#include "study.h"

#include "../core/alloc.h"
#include "../core/c_locale.h"
#include "../core/calc_job.h"
#include "../ui/number_syntax.h"
#include "../ui/read_inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <optional>

namespace {

// The dialog of one study point: its texts in, its lines and figures out.
class study_host final : public input_source, public calc_host {
  public:
    study_host(const field_texts &fields, study_point &point) : fields_(fields), point_(point) {}

    void clear_results() override {}
    void add_line(const wchar_t *text) override { append_line(text); }
    void fetch_text(field_control control, wchar_t *buffer, std::size_t capacity) override {
        copy_field_text(fields_[control - control_w1], buffer, capacity);
    }
    void set_calculate_enabled(bool) override {}
    void append_line(const wchar_t *text) override { point_.lines.emplace_back(text); }
    bool plot_box_checked() override { return false; }
    void show_plot(const plot_request &) override {}
    void finished(const calc_outcome &outcome) override {
        point_.ok = outcome.ok;
        const calc_params &used = outcome.used;
        point_.mesh_step = mesh_effective_step(used.w1, used.w2, used.h, used.mesh_step);
        if (outcome.mesh) point_.cells = outcome.mesh->cell_count;
        if (outcome.ok) {
            point_.z0 = outcome.z0;
            point_.eps_eff = outcome.capacitances[1] / outcome.capacitances[0];
        }
    }

  private:
    const field_texts &fields_;
    study_point &point_;
};

study_host *active = nullptr;

void to_active(const wchar_t *text) {
    if (active) active->append_line(text);
}

std::optional<double> parse_text(const std::wstring &text) {
    wchar_t buffer[message_buffer_size];
    copy_field_text(text, buffer, message_buffer_size);
    double value = 0;
    if (parse_number(buffer, &value) != parse_ok) return std::nullopt;
    return value;
}

} // namespace

std::wstring study_value_text(double value) {
    c_locale_scope numbers_in_c_locale;
    wchar_t text[64];
    std::swprintf(text, 64, L"%.12g", value);
    return text;
}

study_point study_run(const field_texts &fields, solver_variant variant) {
    static std::FILE *diagnostics = std::fopen("/dev/null", "w");
    // A study explores values the user did not type; one of them (a thin slab makes a
    // fine automatic step) could ask for a mesh of tens of thousands of cells. Such a
    // point fails with the memory lines, as on a small machine, instead of running for
    // minutes: about 2000 cells at most.
    core_memory_ceiling(study_memory_ceiling);
    study_point point;
    study_host host(fields, point);
    message_sink saved[2] = {message_sinks[0], message_sinks[1]};
    active = &host;
    sinks_bind(to_active, to_active);
    calc_params params{};
    if (read_inputs(host, &params, diagnostics ? diagnostics : stderr) == 0) {
        calc_thread(&host, &params, variant);
    }
    active = nullptr;
    sinks_bind(saved[1], saved[0]);
    core_memory_ceiling(0);
    return point;
}

convergence study_converge(const field_texts &fields, solver_variant variant, double tolerance,
                           int max_solves, int max_cells) {
    convergence result;
    field_texts texts = fields;
    std::wstring &step_text = texts[control_mesh_step - control_w1];
    std::optional<double> given = parse_text(step_text);
    double step_mm;
    if (given && *given > 0) {
        step_mm = *given;
    } else {
        // The automatic step of the geometry as the job resolves it, doubled: the first
        // three meshes then cost little more than one at the automatic step.
        study_point probe = study_run(texts, variant);
        if (!probe.ok) {
            result.points.push_back(probe);
            return result;
        }
        step_mm = 2000 * probe.mesh_step;
    }

    auto agree = [tolerance](double a, double b) { return std::fabs(a - b) <= tolerance * std::fabs(a); };
    for (int k = 0; k < max_solves; ++k) {
        if (!result.points.empty() && 2 * result.points.back().cells > max_cells) break;
        step_text = study_value_text(step_mm / std::ldexp(1.0, k));
        study_point point = study_run(texts, variant);
        point.value = step_text;
        result.points.push_back(point);
        if (!point.ok) return result;
        std::size_t n = result.points.size();
        if (n >= 3) {
            const study_point &last = result.points[n - 1], &before = result.points[n - 2];
            if (agree(last.z0, before.z0) && agree(last.eps_eff, before.eps_eff)) {
                result.converged = true;
                break;
            }
        }
    }

    // Richardson extrapolation of the last three, with the order they show. The stated
    // error is the larger of the last difference and the extrapolation's correction: a
    // further refinement lands between the last solve and the limit.
    std::size_t n = result.points.size();
    if (n < 3) return result;
    auto extrapolate = [&](double study_point::*figure, double &value, double &error) {
        double z2 = result.points[n - 1].*figure;
        double d1 = result.points[n - 2].*figure - result.points[n - 3].*figure;
        double d2 = z2 - result.points[n - 2].*figure;
        if (d1 * d2 > 0 && std::fabs(d2) < std::fabs(d1)) {
            double ratio = d1 / d2;
            double correction = d2 / (ratio - 1);
            value = z2 + correction;
            error = std::max(std::fabs(d2), std::fabs(correction));
            return std::log2(ratio);
        }
        // No orderly approach: the last value, with the last two steps as the error.
        value = z2;
        error = std::max(std::fabs(d1), std::fabs(d2));
        return 0.0;
    };
    result.order = extrapolate(&study_point::z0, result.z0, result.z0_error);
    extrapolate(&study_point::eps_eff, result.eps_eff, result.eps_eff_error);
    return result;
}

synthesis study_synthesize(const field_texts &fields, int field, double target,
                           solver_variant variant) {
    synthesis result;
    field_texts texts = fields;
    double start = parse_text(fields[field]).value_or(0);
    bool offset = field == control_d - control_w1;
    bool permittivity = field == control_epsilon_r - control_w1;
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
        texts[field] = study_value_text(value);
        study_point point = study_run(texts, variant);
        ++result.solves;
        point.value = texts[field];
        if (!point.ok) return nullptr;
        double exact = parse_text(texts[field]).value_or(value);
        auto at = std::lower_bound(samples.begin(), samples.end(), exact,
                                   [](const sample &s, double v) { return s.value < v; });
        return &*samples.insert(at, sample{exact, point});
    };
    auto bracket = [&]() -> std::optional<std::pair<sample, sample>> {
        for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
            double a = samples[i].point.z0 - target, b = samples[i + 1].point.z0 - target;
            if (a * b <= 0) return std::make_pair(samples[i], samples[i + 1]);
        }
        return std::nullopt;
    };

    if (offset) evaluate(0);
    evaluate(rung(0));
    std::optional<std::pair<sample, sample>> found = bracket();
    for (int j = 1; j <= 6 && !found; ++j) {
        evaluate(rung(j));
        if (!offset) evaluate(rung(-j));
        found = bracket();
    }
    if (samples.empty()) return result;
    result.searched_from = samples.front().point.value;
    result.searched_to = samples.back().point.value;
    result.z0_from = samples.front().point.z0;
    result.z0_to = samples.back().point.z0;
    if (!found) return result;

    // Brent's method on f(v) = Z0(v) - target over the bracket.
    double a = found->first.value, fa = found->first.point.z0 - target;
    double b = found->second.value, fb = found->second.point.z0 - target;
    study_point best = std::fabs(fa) < std::fabs(fb) ? found->first.point : found->second.point;
    double c = a, fc = fa, d = b - a, e = d;
    for (int iteration = 0; iteration < 60; ++iteration) {
        if (std::fabs(best.z0 - target) < 1e-3) break;
        if (fb * fc > 0) {
            c = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b; b = c; c = a;
            fa = fb; fb = fc; fc = fa;
        }
        double tol = 1e-11 * std::fabs(b) + 1e-15;
        double m = 0.5 * (c - b);
        if (std::fabs(m) <= tol) break;
        if (std::fabs(e) >= tol && std::fabs(fa) > std::fabs(fb)) {
            double s = fb / fa, p, q;
            if (a == c) {
                p = 2 * m * s;
                q = 1 - s;
            } else {
                double r = fb / fc, t = fa / fc;
                p = s * (2 * m * t * (t - r) - (b - a) * (r - 1));
                q = (t - 1) * (r - 1) * (s - 1);
            }
            if (p > 0) q = -q; else p = -p;
            if (2 * p < std::min(3 * m * q - std::fabs(tol * q), std::fabs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = e = m;
            }
        } else {
            d = e = m;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol ? d : (m > 0 ? tol : -tol);
        const sample *next = evaluate(b);
        if (!next) break;
        b = next->value;
        fb = next->point.z0 - target;
        if (std::fabs(fb) < std::fabs(best.z0 - target)) best = next->point;
    }
    result.found = true;
    result.best = best;
    return result;
}
