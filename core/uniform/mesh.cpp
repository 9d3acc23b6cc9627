// Mesh construction: places the two strips and the slab, and cuts each of the six
// straight segments (two strips, four bare pieces of the faces) into uniform cells of
// the step with two graded cells at each end.
#include "core/uniform/mesh.h"
#include "core/base/messages.h"

#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/base/process_env.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

namespace {

constexpr double int32_limit = static_cast<double>(std::numeric_limits<std::int32_t>::max());

// Appends the cells of one segment that starts at x0 and is length long. The segment
// keeps n = floor(length / step) - 1 uniform cells and splits the residual, which lies
// in [step, 2 step), into end cells of 3/16 and 5/16 of it: narrower cells where the
// charge density of a strip edge rises steeply. Returns false, appending nothing, when
// the cells would not fit the array.
bool append_segment(mesh_t *mesh, double x0, double length, double step, double e) {
    // A piece of a face is end minus start; when the overhang is below the rounding of
    // the slab's ends, that difference can come out negative. Such a piece has no
    // length: its cells get zero width instead of running backwards.
    if (length < 0) length = 0;
    double quotient = std::floor(length / step);
    // A NaN or negative quotient (a degenerate segment) gets no uniform cells; the test
    // keeps the float-to-integer conversion defined.
    std::int32_t q =
        quotient >= 1.0 && quotient <= int32_limit ? static_cast<std::int32_t>(quotient) : 0;
    std::int32_t n = q > 0 ? q - 1 : q;
    if (n > mesh->capacity - mesh->cell_count - 4) return false;
    double r = length - n * step;
    double g1 = (r * 0.1875) * 0.5;
    double g2 = (r * 0.3125) * 0.5;

    // Positions accumulate from the running coordinate, one addition per half width,
    // so each cell begins exactly where the one before it ends.
    double x = x0;
    auto add = [&](double half_width) {
        cell_t &cell = mesh->cells[mesh->cell_count++];
        cell.half_width = half_width;
        cell.center = x + half_width;
        x = cell.center + half_width;
    };
    add(g1);
    add(g2);
    for (std::int32_t i = 0; i < n; ++i)
        add(e);
    add(g2);
    add(g1);
    return true;
}

// The cell bound (W + W) / step + 24, rounded up, or -1 when it is not a finite count
// that fits a signed 32-bit integer.
std::int32_t mesh_capacity(double slab_width, double step) {
    double bound = std::ceil((slab_width + slab_width) / step + 24);
    if (!(bound >= 1.0 && bound <= int32_limit)) return -1;
    return static_cast<std::int32_t>(bound);
}

} // namespace

double mesh_effective_step(double w1, double w2, double h, double mesh_step) {
    if (mesh_step <= 0) return params_auto_step(w1, w2, h);
    return mesh_step;
}

mesh_t *mesh_new(double w1, double w2, double d, double p, double h, double epsilon_r,
                 double mesh_step) {
    // Ordered comparisons: a NaN length passes, and is caught by the capacity below or
    // ends up in a degenerate segment.
    if (w1 <= 0 || w2 <= 0 || p <= 0 || h <= 0) {
        error_sink(L"mesh_new(): Illegal geometric length");
        return nullptr;
    }

    // a and b are the distances from each strip's centre to the far end of the strip
    // span [-s, s]; this puts the rightmost strip edge at +s and the leftmost at -s for
    // either sign of d.
    double a = std::fmax(w1 / 2, w2 / 2 - d);
    double b = std::fmax(w1 / 2 - d, w2 / 2);
    double s = (d + a + b) / 2;
    double x_top = s - a;
    double x_bottom = b - s;
    double slab_left = -s - p;
    double slab_right = s + p;
    double slab_width = slab_right - slab_left;

    double step = mesh_effective_step(w1, w2, h, mesh_step);
    double e = step * 0.5;

    mesh_ptr mesh;
    auto fail = [&mesh]() -> mesh_t * {
        error_sink(L"Create configuration failed");
        mesh.reset();
        error_sink(L"mesh_new(): not enough memory");
        return nullptr;
    };

    // A bound that is no finite 32-bit count cannot be allocated either.
    std::int32_t capacity = mesh_capacity(slab_width, step);
    if (capacity < 0) return fail();
    mesh.reset(static_cast<mesh_t *>(core_alloc(process_env(), sizeof(mesh_t))));
    if (!mesh) return fail();
    mesh->capacity = capacity;
    mesh->cell_count = 0;
    mesh->cells =
        static_cast<cell_t *>(core_alloc(process_env(), sizeof(cell_t) * std::size_t(capacity)));
    if (!mesh->cells) return fail();

    double top_left = x_top - w1 / 2;
    double top_right = x_top + w1 / 2;
    double bottom_left = x_bottom - w2 / 2;
    double bottom_right = x_bottom + w2 / 2;

    mesh->strip1_begin = 0;
    bool fits = append_segment(mesh.get(), top_left, w1, step, e);
    mesh->strip2_begin = mesh->cell_count;
    fits = fits && append_segment(mesh.get(), bottom_left, w2, step, e);
    mesh->dielectric_begin = mesh->cell_count;

    if (epsilon_r > 1.35) {
        fits = fits && append_segment(mesh.get(), slab_left, top_left - slab_left, step, e);
        fits = fits && append_segment(mesh.get(), top_right, slab_right - top_right, step, e);
        mesh->lower_dielectric_begin = mesh->cell_count;
        fits = fits && append_segment(mesh.get(), slab_left, bottom_left - slab_left, step, e);
        fits = fits && append_segment(mesh.get(), bottom_right, slab_right - bottom_right, step, e);
        mesh->epsilon_r = epsilon_r;
    } else {
        if (!(epsilon_r == 1.0)) {
            info_sink(L"WARNING: epsilon should be either 1.0 or much bigger than 1");
            info_sink(L"Calculation with epsilon_r = 1.0");
        }
        mesh->lower_dielectric_begin = mesh->dielectric_begin;
        mesh->epsilon_r = 1.0;
    }
    // Unreachable for the bound above unless rounding defeats it; the array is never
    // written past its end either way.
    if (!fits) return fail();
    mesh->h = h;
    return mesh.release();
}

void mesh_free(mesh_t *mesh) {
    if (!mesh) return;
    core_release(mesh->cells);
    core_release(mesh);
}
