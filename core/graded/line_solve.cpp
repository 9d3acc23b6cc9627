// Panels, the capacitance matrices (by halves for a symmetric pair) and the modes.
#include "core/graded/line_solve.h"

#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/panels.h"

#include <cstddef>
#include <limits>
#include <new>

namespace {

// The panels of the section within the memory the solve may take (copies of the system
// at once); null after reporting.
panels_ptr panels_within(const calc_env &env, const cross_section &section, double density,
                         int copies, std::int32_t &panels) {
    std::int32_t count = panels_count(env, section, density);
    if (count == 0) return calc_failed(env), nullptr;
    std::size_t bytes = copies * accurate_solve_bytes(count);
    double available = double(core_memory_available(env));
    if (available > 0 && double(bytes) > core_solve_share * available) {
        core_report_too_large(env, count, bytes);
        return nullptr;
    }
    panels_ptr set(panels_new(env, section, density, count));
    if (!set) calc_failed(env);
    panels = std::max(panels, count);
    return set;
}

bool solve(const calc_env &env, const cross_section &section, double density, line_solution &out) {
    int n = section.electrode_count;
    std::size_t nn = std::size_t(n) * std::size_t(n);
    out.n = n;
    out.c.assign(nn, 0.0);
    out.c0.assign(nn, 0.0);
    out.panels = 0;
    if (section.mirror_x && section.mirror_pair) {
        panels_ptr half = panels_within(env, xs_pair_half(section), density, 4, out.panels);
        double even[2], odd[2];
        if (!half ||
            !accurate_capacitance_halves(env, half.get(), &even[0], &even[1], &odd[0], &odd[1]))
            return false;
        for (int k = 0; k < 2; ++k) {
            env_vector<double> &m = k == 0 ? out.c : out.c0;
            m[0] = m[3] = (even[k] + odd[k]) / 2;
            m[1] = m[2] = (even[k] - odd[k]) / 2;
        }
    } else {
        panels_ptr set = panels_within(env, section, density, 1, out.panels);
        if (!set || !accurate_capacitances(env, set.get(), out.c.data(), out.c0.data()))
            return false;
    }
    if (!line_modes_of(env, n, out.c.data(), out.c0.data(), out.modes))
        return calc_failed(env), false;
    return true;
}

} // namespace

std::int32_t line_panels(const calc_env &env, const cross_section &section, double density) {
    try {
        if (section.mirror_x && section.mirror_pair)
            return panels_count(env, xs_pair_half(section), density);
        return panels_count(env, section, density);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the panels");
        return 0;
    }
}

bool line_solve(const calc_env &env, const cross_section &section, double density,
                line_solution &out) {
    try {
        return solve(env, section, density, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the solve");
        return calc_failed(env), false;
    }
}
