// The panel system, filled one column (one source panel) per task on every core.
#include "core/graded/panel_system.h"

#include "core/base/worker_pool.h"
#include "core/graded/panel_integrals.h"
#include "core/graded/plate_green.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr double two_pi = 6.283185307179586;

// A source panel with its images: its mirror in x = 0 with the charge times the mirror
// sign, and each plane's image (y -> -y, y -> 2H - y) of both with the opposite charge.
// Between two plates the nearest images are exact in closed form and the rest of the
// plates' Green's function is the smooth remainder.
struct source_images {
    panel_frame frames[6];
    double signs[6];
    int count;
    xs_point ends[2][2];
    double end_signs[2];
    int originals;
    double spacing; // between two plates, else 0

    source_images(const panel_set &set, const panel_t &source)
        : frames{}, signs{}, count(0), ends{}, end_signs{}, originals(0),
          spacing(set.ground_plane && set.upper_plane ? set.upper_height : 0) {
        original(source.a, source.b, 1);
        if (set.mirror_x)
            original({-source.b.x, source.b.y}, {-source.a.x, source.a.y}, set.mirror_sign);
        for (int k = 0, n = originals; k < n; ++k) {
            xs_point a = ends[k][0], b = ends[k][1];
            if (set.ground_plane) add({a.x, -a.y}, {b.x, -b.y}, -end_signs[k]);
        }
        for (int k = 0, n = originals; k < n; ++k) {
            xs_point a = ends[k][0], b = ends[k][1];
            double top = 2 * set.upper_height;
            if (set.upper_plane) add({a.x, top - a.y}, {b.x, top - b.y}, -end_signs[k]);
        }
    }

    void original(xs_point a, xs_point b, double sign) {
        add(a, b, sign);
        ends[originals][0] = a;
        ends[originals][1] = b;
        end_signs[originals++] = sign;
    }

    void add(xs_point a, xs_point b, double sign) {
        frames[count] = panel_frame_of(a, b);
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
                accumulate(end_signs[k], plate_remainder(ends[k][0], ends[k][1], spacing, p));
        }
        return sum;
    }
};

} // namespace

bool panel_system_fill(const calc_env &env, const panel_set *set, bool vacuum, double *a,
                       double *f) {
    std::int32_t n = vacuum ? set->conductor_count : std::int32_t(set->panels.size());
    const env_vector<panel_t> &panels = set->panels;
    auto fill_column = [&](std::int32_t j) {
        double *column = a + std::size_t(j) * std::size_t(n);
        source_images source(*set, panels[std::size_t(j)]);
        for (int k = 0; k < panel_set_functionals(*set); ++k)
            f[std::size_t(k) * n + j] = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            const panel_t &row = panels[std::size_t(i)];
            panel_influence e = source.at(row.centre);
            double field = (row.normal.x * e.gradient_x + row.normal.y * e.gradient_y) / two_pi;
            double eps_f = vacuum ? 1.0 : row.eps_front, eps_b = vacuum ? 1.0 : row.eps_back;
            if (row.kind == panel_kind::interface) {
                column[i] = field;
                if (i == j) column[i] += (eps_f + eps_b) / (2 * (eps_f - eps_b));
                continue;
            }
            column[i] = -e.potential / two_pi;
            double &free = f[std::size_t(panel_set_functional(*set, row)) * n + j];
            if (row.kind == panel_kind::sheet) {
                free += row.length * ((eps_f - eps_b) * field + (i == j ? (eps_f + eps_b) / 2 : 0));
            } else if (i == j) {
                free += row.length * eps_f;
            }
        }
    };
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
