// The accurate variant's mesh, solve and result lines.
#include "core/graded/accurate_job.h"
#include "core/base/messages.h"

#include "core/base/alloc.h"
#include "core/base/c_locale.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/cross_section.h"
#include "core/graded/panels.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <vector>

namespace {

template <class Number>
void append_formatted(calc_host *host, const wchar_t *format, Number value) {
    format_message(format, value);
    host->append_line(message_buffer);
}

// The refusal of a mesh whose solve would not fit: its size and the memory figures.
void refuse_mesh(std::int32_t cells, double needed, double available) {
    c_locale_scope numbers_in_c_locale;
    wchar_t text[200];
    std::swprintf(text, 200,
                  L"Mesh too large: its %d cells need %.0f MB of memory, %.0f MB can be had now",
                  cells, needed / (1 << 20), available / (1 << 20));
    error_sink(text);
}

// A solve may take this share of the memory available; the rest is the margin for the
// program itself and whatever else the machine runs.
constexpr double memory_share = 0.8;

// One strip panel as the chart shows it: its extent along x and its charges.
struct chart_cell {
    int electrode;
    cell_t cell;
    double free_charge;
    double total_charge;
};

// The strips' panels seen from above, each strip left to right (a mirrored set with the
// mirror images of its panels); panels across x (a thick strip's sides) have no extent
// and are left out.
std::vector<chart_cell> chart_cells(const panel_set &set, const accurate_solution &solution) {
    std::vector<chart_cell> cells;
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        const panel_t &p = set.panels[std::size_t(i)];
        double half = (p.b.x > p.a.x ? p.b.x - p.a.x : p.a.x - p.b.x) / 2;
        if (!(half > 0)) continue;
        double q = solution.free_charge[std::size_t(i)], t = solution.total_charge[std::size_t(i)];
        cells.push_back({p.electrode, {p.centre.x, half}, q, t});
        if (set.mirror_x) cells.push_back({p.electrode, {-p.centre.x, half}, q, t});
    }
    std::sort(cells.begin(), cells.end(), [](const chart_cell &a, const chart_cell &b) {
        return a.electrode != b.electrode ? a.electrode < b.electrode
                                          : a.cell.center < b.cell.center;
    });
    return cells;
}

// The chart's mesh record and charge vectors, handed to the outcome; null when the memory
// cannot be had.
mesh_t *hand_out_chart(const panel_set &set, const accurate_solution &solution,
                       const calc_params *params, calc_outcome *outcome) {
    std::vector<chart_cell> cells = chart_cells(set, solution);
    auto n = std::int32_t(cells.size());
    mesh_ptr mesh(static_cast<mesh_t *>(core_alloc(sizeof(mesh_t))));
    if (!mesh) return nullptr;
    mesh->cells =
        static_cast<cell_t *>(core_alloc(sizeof(cell_t) * std::max<std::size_t>(cells.size(), 1)));
    md_ptr free_charge(md_new(std::max(n, 1), 1));
    md_ptr total_charge(md_new(std::max(n, 1), 1));
    if (!mesh->cells || !free_charge || !total_charge) return nullptr;
    mesh->h = params->h;
    mesh->epsilon_r = params->epsilon_r;
    mesh->capacity = std::max(n, 1);
    mesh->cell_count = n;
    mesh->strip1_begin = 0;
    mesh->strip2_begin = std::int32_t(std::count_if(
        cells.begin(), cells.end(), [](const chart_cell &c) { return c.electrode == 0; }));
    mesh->dielectric_begin = mesh->lower_dielectric_begin = n;
    for (std::int32_t k = 0; k < n; ++k) {
        mesh->cells[k] = cells[std::size_t(k)].cell;
        free_charge->data[k] = cells[std::size_t(k)].free_charge;
        total_charge->data[k] = cells[std::size_t(k)].total_charge;
    }
    outcome->slab.free_charge = free_charge.release();
    outcome->slab.total_charge = total_charge.release();
    return mesh.release();
}

} // namespace

double accurate_auto_overhang(double h) {
    return 100 * h;
}

double accurate_auto_step(const calc_params *params) {
    bool microstrip = params->w2 <= 0;
    double w2 = microstrip ? params->w1 : params->w2;
    double h = microstrip ? 2 * params->h : params->h;
    return 0.5 * mesh_effective_step(params->w1, w2, h, -1);
}

double accurate_density(const calc_params *params) {
    double automatic = accurate_auto_step(params);
    double step = params->mesh_step > 0 ? params->mesh_step : automatic;
    return 2 * automatic / step;
}

mesh_t *accurate_steps(calc_host *host, const calc_params *params, calc_outcome *outcome) {
    host->append_line(L"Accurate variant: whole cross-section, closed-form panel integrals, "
                      L"LU solve");
    outcome->mesh_step = params->mesh_step > 0 ? params->mesh_step : accurate_auto_step(params);
    xs_ptr section(xs_new_line(params));
    if (!section) return nullptr;
    double density = accurate_density(params);
    std::int32_t unknowns = panels_count(section.get(), density);
    if (unknowns == 0) return nullptr;
    std::int32_t cells =
        section->mirror_x && unknowns <= std::numeric_limits<std::int32_t>::max() / 2 ? 2 * unknowns
                                                                                      : unknowns;
    append_formatted(host, L"Mesh cells = %d", cells);

    double needed = double(accurate_solve_bytes(unknowns));
    double available = double(core_memory_available());
    if (available > 0 && needed > memory_share * available) {
        refuse_mesh(cells, needed, memory_share * available);
        return nullptr;
    }
    panels_ptr panels(panels_new(section.get(), density, unknowns));
    if (!panels) return nullptr;
    outcome->cells = cells;
    outcome->strip_cells =
        section->mirror_x ? 2 * panels->conductor_count : panels->conductor_count;
    append_formatted(host, L"\tcells for strips = %d", outcome->strip_cells);
    append_formatted(host, L"\tcells for dielectrics = %d", cells - outcome->strip_cells);

    accurate_solution solution{};
    double z0 = accurate_solve(panels.get(), &solution);
    outcome->z0_solver = z0;
    if (solve_failed_result(z0)) return nullptr;
    mesh_t *chart = hand_out_chart(*panels, solution, params, outcome);
    if (!chart) {
        error_sink(L"Not enough memory for the charge chart");
        info_sink(L"Calculation failed");
        return nullptr;
    }
    outcome->ok = true;
    outcome->mesh = chart;
    outcome->z0 = z0;
    outcome->capacitances[0] = outcome->line_capacitances[0] = solution.c0;
    outcome->capacitances[1] = outcome->line_capacitances[1] = solution.c;
    append_formatted(host, L"Effective permittivity = %lf", solution.c / solution.c0);
    append_formatted(host, L"Z0 = %lf Ohm", z0);
    return chart;
}
