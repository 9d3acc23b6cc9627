// The panel system, filled one column (one source panel) per task on every core.
#include "core/graded/panel_system.h"

#include "core/base/worker_pool.h"
#include "core/graded/panel_integrals.h"
#include "core/graded/plate_green.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

constexpr double two_pi = 6.283185307179586;

// A source panel with its images: its mirror in x = 0 with the charge times the mirror
// sign, and each plane's image (y -> -y, y -> 2H - y) of both with the opposite charge.
// Between two plates the nearest images are exact in closed form and the rest of the
// plates' Green's function is the smooth remainder.
struct source_images {
    panel_frame frames[6];
    double signs[6];
    int owners[6]; // 0: the panel or one of its plane images; 1: its mirror's
    int count;
    xs_point ends[2][2];
    double end_signs[2];
    int originals;
    double spacing;             // between two plates, else 0
    plate_source remainders[2]; // of the panel and its mirror, between two plates

    source_images(const panel_set &set, const panel_t &source)
        : frames{}, signs{}, owners{}, count(0), ends{}, end_signs{}, originals(0),
          spacing(set.ground_plane && set.upper_plane ? set.upper_height : 0) {
        original(source.a, source.b, 1);
        if (set.mirror_x)
            original({-source.b.x, source.b.y}, {-source.a.x, source.a.y}, set.mirror_sign);
        for (int k = 0, n = originals; k < n; ++k) {
            xs_point a = ends[k][0], b = ends[k][1];
            if (set.ground_plane) add({a.x, -a.y}, {b.x, -b.y}, -end_signs[k], k);
        }
        for (int k = 0, n = originals; k < n; ++k) {
            xs_point a = ends[k][0], b = ends[k][1];
            double top = 2 * set.upper_height;
            if (set.upper_plane) add({a.x, top - a.y}, {b.x, top - b.y}, -end_signs[k], k);
        }
        for (int k = 0; spacing > 0 && k < originals; ++k)
            remainders[k] = plate_source_of(ends[k][0], ends[k][1], spacing);
    }

    void original(xs_point a, xs_point b, double sign) {
        add(a, b, sign, originals);
        ends[originals][0] = a;
        ends[originals][1] = b;
        end_signs[originals++] = sign;
    }

    void add(xs_point a, xs_point b, double sign, int owner) {
        frames[count] = panel_frame_of(a, b);
        owners[count] = owner;
        signs[count++] = sign;
    }

    // Potential and gradient integrals of the panel and its images at point p.
    panel_influence at(xs_point p) const {
        panel_influence sum = panel_integrals_at(frames[0], p);
        auto accumulate = [&sum](double sign, const panel_influence &e) {
            sum.potential += sign * e.potential;
            sum.gradient_x += sign * e.gradient_x;
            sum.gradient_y += sign * e.gradient_y;
        };
        for (int k = 1; k < count; ++k)
            accumulate(signs[k], panel_integrals_at(frames[k], p));
        if (spacing > 0) {
            for (int k = 0; k < originals; ++k)
                accumulate(end_signs[k], plate_remainder(remainders[k], p));
        }
        return sum;
    }

    // The panel's own part (with its plane images) and its mirror's part apart, the
    // mirror taken with the same charge: their sum is the even drive, their difference
    // the odd one.
    std::pair<panel_influence, panel_influence> at_parts(xs_point p) const {
        panel_influence parts[2] = {{0, 0, 0}, {0, 0, 0}};
        auto accumulate = [](panel_influence &sum, double sign, const panel_influence &e) {
            sum.potential += sign * e.potential;
            sum.gradient_x += sign * e.gradient_x;
            sum.gradient_y += sign * e.gradient_y;
        };
        for (int k = 0; k < count; ++k)
            accumulate(parts[owners[k]], signs[k] * end_signs[owners[k]],
                       panel_integrals_at(frames[k], p));
        if (spacing > 0) {
            for (int k = 0; k < originals; ++k)
                accumulate(parts[k], 1, plate_remainder(remainders[k], p));
        }
        return {parts[0], parts[1]};
    }
};

// One entry of the system and of the free-charge functionals: source panel j's
// influence e (with its images) at row panel i.
void write_entry(const panel_set &set, bool vacuum, std::int32_t i, std::int32_t j, std::int32_t n,
                 const panel_influence &e, double *column, double *f) {
    const panel_t &row = set.panels[std::size_t(i)];
    double field = (row.normal.x * e.gradient_x + row.normal.y * e.gradient_y) / two_pi;
    double eps_f = vacuum ? 1.0 : row.eps_front, eps_b = vacuum ? 1.0 : row.eps_back;
    if (row.kind == panel_kind::interface) {
        column[i] = field;
        if (i == j) column[i] += (eps_f + eps_b) / (2 * (eps_f - eps_b));
        return;
    }
    column[i] = -e.potential / two_pi;
    double &free = f[std::size_t(panel_set_functional(set, row)) * n + j];
    if (row.kind == panel_kind::sheet) {
        free += row.length * ((eps_f - eps_b) * field + (i == j ? (eps_f + eps_b) / 2 : 0));
    } else if (i == j) {
        free += row.length * eps_f;
    }
}

// Fills the columns on every core, column j by fill_column(j).
template <class Fill> bool fill_columns(const calc_env &env, std::int32_t n, Fill &&fill_column) {
    long long work = 40LL * n * n;
    run_workers(env, worker_count(env, work),
                [&](int index, int count, const std::function<void()> &) {
                    for (std::int32_t j = index; j < n && !env_cancelled(env); j += count) {
                        fill_column(j);
                        if (index == 0) env_progress(env, progress_phase::fill, double(j + 1) / n);
                    }
                });
    return !env_cancelled(env);
}

} // namespace

bool panel_system_fill(const calc_env &env, const panel_set *set, bool vacuum, double *a,
                       double *f) {
    std::int32_t n = vacuum ? set->conductor_count : std::int32_t(set->panels.size());
    return fill_columns(env, n, [&](std::int32_t j) {
        double *column = a + std::size_t(j) * std::size_t(n);
        source_images source(*set, set->panels[std::size_t(j)]);
        for (int k = 0; k < panel_set_functionals(*set); ++k)
            f[std::size_t(k) * n + j] = 0;
        for (std::int32_t i = 0; i < n; ++i)
            write_entry(*set, vacuum, i, j, n, source.at(set->panels[std::size_t(i)].centre),
                        column, f);
    });
}

bool panel_system_fill_halves(const calc_env &env, const panel_set *set, double *a, double *f,
                              double *a_odd, double *f_odd) {
    std::int32_t n = std::int32_t(set->panels.size());
    return fill_columns(env, n, [&](std::int32_t j) {
        std::size_t offset = std::size_t(j) * std::size_t(n);
        source_images source(*set, set->panels[std::size_t(j)]);
        for (int k = 0; k < panel_set_functionals(*set); ++k)
            f[std::size_t(k) * n + j] = f_odd[std::size_t(k) * n + j] = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            auto [own, mirror] = source.at_parts(set->panels[std::size_t(i)].centre);
            panel_influence even{own.potential + mirror.potential,
                                 own.gradient_x + mirror.gradient_x,
                                 own.gradient_y + mirror.gradient_y};
            panel_influence odd{own.potential - mirror.potential,
                                own.gradient_x - mirror.gradient_x,
                                own.gradient_y - mirror.gradient_y};
            write_entry(*set, false, i, j, n, even, a + offset, f);
            write_entry(*set, false, i, j, n, odd, a_odd + offset, f_odd);
        }
    });
}

xs_point panel_system_field_at(const panel_set *set, const double *x, xs_point p) {
    // E = -grad phi with phi = -1/(2 pi) sum_j x_j I_j: the integrals' gradients, summed.
    xs_point field{0, 0};
    for (std::size_t j = 0; j < set->panels.size(); ++j) {
        panel_influence e = source_images(*set, set->panels[j]).at(p);
        field.x += x[j] * e.gradient_x / two_pi;
        field.y += x[j] * e.gradient_y / two_pi;
    }
    return field;
}

double panel_system_mean_field(const panel_set *set, std::int32_t i, const double *x) {
    const panel_t &row = set->panels[std::size_t(i)];
    double sum = 0;
    for (std::size_t j = 0; j < set->panels.size(); ++j) {
        panel_influence e = source_images(*set, set->panels[j]).at(row.centre);
        sum += x[j] * (row.normal.x * e.gradient_x + row.normal.y * e.gradient_y) / two_pi;
    }
    return sum;
}

bool panel_system_potentials(const calc_env &env, const panel_set *set, const double *x,
                             std::span<const xs_point> points, double *out) {
    std::size_t count = points.size(), n = set->panels.size();
    for (std::size_t k = 0; k < count; ++k)
        out[k] = 0;
    long long work = 40LL * (long long)(count) * (long long)(n);
    run_workers(env, worker_count(env, work),
                [&](int index, int threads, const std::function<void()> &) {
                    std::size_t from = count * std::size_t(index) / std::size_t(threads);
                    std::size_t to = count * std::size_t(index + 1) / std::size_t(threads);
                    for (std::size_t j = 0; j < n && !env_cancelled(env); ++j) {
                        source_images source(*set, set->panels[j]);
                        for (std::size_t k = from; k < to; ++k)
                            out[k] -= x[j] * source.at(points[k]).potential / two_pi;
                    }
                });
    return !env_cancelled(env);
}
