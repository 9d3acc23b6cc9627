// The line's losses built once, then each frequency's matrices, modes and S-parameters.
#include "studies/line_spectrum.h"

#include "core/wave/line_network.h"
#include "studies/failure_reason.h"

#include <algorithm>
#include <cmath>

namespace {

// The study's C and external L (n x n), from the estimate's layout.
void matrices_of(const line_estimate &e, std::vector<double> &c, std::vector<double> &l) {
    int n = e.layout.n;
    c.assign(std::size_t(n * n), 0.0);
    l.assign(std::size_t(n * n), 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            std::size_t at = std::size_t(i * n + j);
            c[at] =
                n == 1 ? e.value[e.layout.at(line_figure::c)] : e.value[e.layout.c_matrix(i, j)];
            l[at] =
                n == 1 ? e.value[e.layout.at(line_figure::l)] : e.value[e.layout.l_matrix(i, j)];
        }
}

bool point_at(const calc_env &env, const line_rlgc &model, double f, spectrum_point &p) {
    int n = model.n;
    std::size_t nn = std::size_t(n * n);
    p.f = f;
    p.r.assign(nn, 0.0);
    p.l.assign(nn, 0.0);
    p.g.assign(nn, 0.0);
    p.c.assign(nn, 0.0);
    line_rlgc_at(model, f, p.r.data(), p.l.data(), p.g.data(), p.c.data());
    wave_modes modes(env);
    if (!wave_modes_of(env, f, n, p.r.data(), p.l.data(), p.g.data(), p.c.data(), modes))
        return false;
    p.zc.assign(modes.zc.begin(), modes.zc.end());
    p.modes.clear();
    for (int k = 0; k < n; ++k) {
        spectrum_mode m{modes.gamma[std::size_t(k)],
                        modes.alpha_conductor[std::size_t(k)],
                        modes.alpha_dielectric[std::size_t(k)],
                        {}};
        m.voltages.assign(modes.voltages.begin() + k * n, modes.voltages.begin() + (k + 1) * n);
        p.modes.push_back(std::move(m));
    }
    if (n == 2) {
        wave_pair pair = wave_pair_of(modes);
        p.zdiff = pair.zdiff;
        p.zcommon = pair.zcommon;
    }
    return true;
}

// R's error at f: the surface integrals' own (their change with the panel density)
// everywhere, and the two models' mismatch at the crossover where each is at its worst:
// the interior model is exact at DC (a uniform current) and errs as the current crowds
// under the surfaces, so below the crossover the mismatch in the measure that R has
// risen from its DC value; above, falling as the skin depth does, the order of the
// surface model's error (the current near a corner is smoothed over a skin depth, which
// the model's r^-a leaves out).
// The interior model's R11 at DC and just below the crossover: the span its error grows
// over, the same for every frequency of a run.
struct interior_span {
    double dc = 0, top = 0;
};

interior_span span_of(const conductor_loss &loss) {
    if (!loss.interior_built) return {};
    std::vector<std::complex<double>> z(std::size_t(loss.signal_count * loss.signal_count));
    interior_span out;
    conductor_loss_impedance(loss, 0, z.data());
    out.dc = z[0].real();
    conductor_loss_impedance(loss, std::nextafter(loss.crossover, 0.0), z.data());
    out.top = z[0].real();
    return out;
}

double r_error(const conductor_loss &loss, const interior_span &span, double f) {
    if (!loss.interior_built) return loss.surface_error;
    if (f >= loss.crossover)
        return std::max(loss.surface_error, loss.mismatch * std::sqrt(loss.crossover / f));
    std::vector<std::complex<double>> here(std::size_t(loss.signal_count * loss.signal_count));
    conductor_loss_impedance(loss, f, here.data());
    double rise = (here[0].real() - span.dc) / (span.top - span.dc);
    return std::max(loss.surface_error, loss.mismatch * std::clamp(rise, 0.0, 1.0));
}

} // namespace

int spectrum_odd_mode(const spectrum_point &p) {
    const std::vector<std::complex<double>> &v = p.modes[0].voltages;
    return std::real(v[0] * std::conj(v[1])) < 0 ? 0 : 1;
}

line_spectrum line_spectrum_run(const cross_section &section, const line_estimate &e,
                                const line_materials &materials,
                                std::span<const double> frequencies, double length, double z_ref,
                                const calc_env &limits) {
    line_spectrum out;
    out.n = e.layout.n;
    out.length = length;
    out.z_ref = z_ref;
    failure_reason reasons;
    calc_env env = reasons.quiet(limits);
    if (!e.estimated || frequencies.empty()) {
        out.failure = e.estimated ? L"No frequency to compute" : e.stop;
        return out;
    }
    std::vector<double> c, l;
    matrices_of(e, c, l);
    line_rlgc model(env);
    // The losses' integrals converge faster than the charges' extrapolation needs: density
    // 1 holds them within a few tenths of a percent, which their stated error says.
    double density = std::min(e.points.back().density, 1.0);
    if (!line_rlgc_of(env, section, out.n, c, l, materials, density, frequencies.front(), model)) {
        out.failure = reasons.last;
        return out;
    }
    out.crossover = model.conductors.crossover;
    out.mismatch = model.conductors.mismatch;
    out.g_error = model.share_error;
    out.dc_resistance.assign(model.conductors.dc_resistance.begin(),
                             model.conductors.dc_resistance.end());
    std::size_t ports = std::size_t(2 * out.n);
    interior_span span = span_of(model.conductors);
    out.points.resize(frequencies.size());
    if (length > 0) out.s.resize(frequencies.size() * ports * ports);
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        spectrum_point &p = out.points[k];
        if (env_cancelled(env) || !point_at(env, model, frequencies[k], p) ||
            (length > 0 &&
             !wave_s_parameters(env, p.f, out.n, p.r.data(), p.l.data(), p.g.data(), p.c.data(),
                                length, z_ref, &out.s[k * ports * ports]))) {
            out.failure = env_cancelled(env) ? L"Calculation cancelled" : reasons.last;
            out.points.resize(k);
            return out;
        }
        p.r_error = r_error(model.conductors, span, p.f);
        out.r_error = std::max(out.r_error, p.r_error);
    }
    out.ok = true;
    return out;
}
