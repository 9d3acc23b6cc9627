// solve_line: assembly, the two inversions, the charge-neutral excitation and the
// extraction of the capacitances. Every matrix but the four output vectors lives and
// dies within one call; the guards release them on every failure path.
#include "core/uniform/solver.h"
#include "core/base/messages.h"

#include "core/base/params.h"
#include "core/base/process_env.h"
#include "core/uniform/assembly.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace {

// The closing line of every failure; false for the steps, -1.0 for the call.
double solve_failed() {
    return calc_failed(process_env());
}

bool step_failed() {
    solve_failed();
    return false;
}

// A solve its environment stopped: said so instead of failing.
bool step_cancelled() {
    calc_cancelled(process_env());
    return false;
}

// The largest working set of one call: the inverted P and F (N x N each) with the
// inverted strip block R (S x S). The products that the voltages read are formed a few
// rows at a time, and the vacuum problem's identity is never stored.
std::size_t peak_bytes(std::int32_t n, std::int32_t s) {
    std::size_t nn = std::size_t(n) * std::size_t(n);
    std::size_t ss = std::size_t(s) * std::size_t(s);
    return (2 * nn + ss) * sizeof(double);
}

// Rows of F * P formed at once for the voltage sums.
constexpr std::int32_t rows_per_block = 16;

struct strip_voltages {
    double top;
    double bottom;
};

// The sum of a_j * Y[j][k] over the strip rows j is half the free charge that a unit
// voltage on cell k puts on the strips. Giving the top strip the bottom strip's sum and
// the bottom strip minus the top strip's sum makes the strips' net free charge zero.
// The rows must come in increasing j; y_row holds Y[j][0 .. S).
void add_voltage_row(strip_voltages &v, const mesh_t *mesh, std::int32_t j, const double *y_row) {
    double a = mesh->cells[j].half_width;
    for (std::int32_t k = mesh->strip1_begin; k < mesh->strip2_begin; ++k) {
        v.bottom = v.bottom - a * y_row[k];
    }
    for (std::int32_t k = mesh->strip2_begin; k < mesh->dielectric_begin; ++k) {
        v.top = v.top + a * y_row[k];
    }
}

bool column_is_finite(const md_t *x, std::int32_t k) {
    for (std::int32_t m = 0; m < x->rows; ++m) {
        if (!std::isfinite(md_get(x, m, k))) return false;
    }
    return true;
}

// Element (j, k) of I * x exactly as the product sums it from +0.0 over m: with a
// finite column every term but x[j][k] is a zero, which leaves x[j][k] except that
// -0.0 becomes +0.0, as adding +0.0 does; a column with an infinity or a NaN (0 times
// infinity is NaN) takes the sum itself.
double identity_product(const md_t *x, std::int32_t j, std::int32_t k, bool finite_column) {
    if (finite_column) return md_get(x, j, k) + 0.0;
    double s = +0.0;
    for (std::int32_t m = 0; m < x->rows; ++m)
        s = s + (m == j ? 1.0 : 0.0) * md_get(x, m, k);
    return s;
}

// The vacuum voltages from Y0 = I_S * R, one row at a time, flags holding S doubles.
strip_voltages vacuum_voltages(const mesh_t *mesh, const md_t *r, double *row, double *flags) {
    std::int32_t s = mesh->dielectric_begin;
    for (std::int32_t k = 0; k < s; ++k)
        flags[k] = column_is_finite(r, k) ? 1.0 : 0.0;
    strip_voltages v{0.0, 0.0};
    for (std::int32_t j = 0; j < s; ++j) {
        for (std::int32_t k = 0; k < s; ++k)
            row[k] = identity_product(r, j, k, flags[k] != 0.0);
        add_voltage_row(v, mesh, j, row);
    }
    return v;
}

// The slab voltages from the strip block of Y = F * P, rows_per_block rows at a time.
strip_voltages slab_voltages(const mesh_t *mesh, const md_t *f, const md_t *p, double *rows) {
    std::int32_t s = mesh->dielectric_begin;
    strip_voltages v{0.0, 0.0};
    for (std::int32_t j0 = 0; j0 < s; j0 += rows_per_block) {
        std::int32_t count = std::min(rows_per_block, s - j0);
        md_mul_rows(f, p, j0, count, s, rows);
        for (std::int32_t q = 0; q < count; ++q) {
            add_voltage_row(v, mesh, j0 + q, rows + std::size_t(q) * std::size_t(s));
        }
    }
    return v;
}

// The excitation: the top voltage on the top strip's cells, the bottom voltage on the
// bottom strip's, zero on the bare faces.
void set_excitation(const mesh_t *mesh, md_t *vector, strip_voltages v) {
    md_fill(vector, 0.0);
    for (std::int32_t k = mesh->strip1_begin; k < mesh->strip2_begin; ++k)
        vector->data[k] = v.top;
    for (std::int32_t k = mesh->strip2_begin; k < mesh->dielectric_begin; ++k) {
        vector->data[k] = v.bottom;
    }
}

// Charge per unit length on the top strip: the cell densities times the cell widths,
// the half-width sum doubled as a whole.
double top_strip_charge(const mesh_t *mesh, const md_t *free_charge) {
    double sum = 0.0;
    for (std::int32_t i = mesh->strip1_begin; i < mesh->strip2_begin; ++i) {
        sum = sum + free_charge->data[i] * mesh->cells[i].half_width;
    }
    return 2 * sum;
}

void hand_out(md_ptr free_charge, md_ptr total_charge, charge_pair *receiver) {
    if (!receiver) return;
    receiver->free_charge = free_charge.release();
    receiver->total_charge = total_charge.release();
}

// The three systems, filled and inverted: P and F of the slab problem, and R, the
// vacuum problem's, which is the strip block of P before P is inverted.
struct systems {
    md_ptr p, f, r;
};

// False after reporting the failure ("Calculation failed" last).
bool build_and_invert(const mesh_t *mesh, systems &sys) {
    info_sink(L"Filling matrix");
    std::int32_t n = mesh->cell_count;
    std::int32_t s = mesh->dielectric_begin;

    // P opens the working set of the whole call: refusing it here, when the rest would
    // not fit either, stops the calculation before anything large exists.
    sys.p.reset(md_new_within(n, n, peak_bytes(n, s)));
    if (!sys.p) {
        info_sink(L"Could not create matrix");
        return step_failed();
    }
    sys.f.reset(md_new(n, n));
    if (!sys.f) {
        info_sink(L"Could not create matrix");
        return step_failed();
    }
    md_fill(sys.p.get(), 0.0);
    md_fill(sys.f.get(), 0.0);
    if (!assemble_system(mesh, sys.p.get(), sys.f.get())) return step_cancelled();

    sys.r.reset(md_new(s, s));
    if (!sys.r) {
        error_sink(L"Failed to create matrix");
        return step_failed();
    }
    for (std::int32_t i = 0; i < s; ++i) {
        for (std::int32_t j = 0; j < s; ++j)
            sys.r->data[std::size_t(i) * s + j] = md_get(sys.p.get(), i, j);
    }
    info_sink(L"Inverting matrix");
    if (md_inverse_direct(sys.r.get()) != 0 || md_inverse_direct(sys.p.get()) != 0) {
        return env_cancelled(process_env()) ? step_cancelled() : step_failed();
    }
    return true;
}

// The charges of the two problems under their charge-neutral voltages.
struct line_charges {
    strip_voltages vacuum, slab;
    md_ptr sigma0, f0, sigma, f_slab; // total and free charge, vacuum then slab
};

// False after reporting the failure ("Calculation failed" last).
bool extract_charges(const mesh_t *mesh, const systems &sys, line_charges &out) {
    info_sink(L"Extracting the result");
    std::int32_t n = mesh->cell_count;
    std::int32_t s = mesh->dielectric_begin;
    // Room for the rows of the two products the voltages read: those of I_S * R (in
    // vacuum free and total charge coincide, so the free-charge matrix is the identity)
    // and the strip rows and columns of F * P.
    md_ptr rows(md_new(rows_per_block + 1, s));
    if (!rows) {
        error_sink(L"md_mul(): not enough memory!");
        return step_failed();
    }
    double *flags = rows->data + std::size_t(rows_per_block) * std::size_t(s);
    out.vacuum = vacuum_voltages(mesh, sys.r.get(), rows->data, flags);
    out.slab = slab_voltages(mesh, sys.f.get(), sys.p.get(), rows->data);
    rows.reset();

    md_ptr v0(md_new(s, 1));
    md_ptr v(md_new(n, 1));
    if (!v0) error_sink(L"Failed to create matrix");
    if (!v) error_sink(L"Failed to create matrix");
    if (!v0 || !v) return step_failed();
    set_excitation(mesh, v0.get(), out.vacuum);
    set_excitation(mesh, v.get(), out.slab);

    out.sigma0.reset(md_mul(sys.r.get(), v0.get()));
    if (!out.sigma0) return step_failed();
    out.sigma.reset(md_mul(sys.p.get(), v.get()));
    if (!out.sigma) return step_failed();
    // f0 = I_S * sigma0, with the product's own failure lines.
    out.f0.reset(md_new(s, 1));
    if (!out.f0) {
        error_sink(L"md_mul(): not enough memory!");
        return step_failed();
    }
    bool finite_sigma0 = column_is_finite(out.sigma0.get(), 0);
    for (std::int32_t j = 0; j < s; ++j) {
        out.f0->data[j] = identity_product(out.sigma0.get(), j, 0, finite_sigma0);
    }
    out.f_slab.reset(md_mul(sys.f.get(), out.sigma.get()));
    if (!out.f_slab) return step_failed();
    return true;
}

} // namespace

double solve_line(const mesh_t *mesh, charge_pair *vacuum_charges, charge_pair *slab_charges,
                  double *capacitances) {
    systems sys;
    line_charges charges;
    if (!build_and_invert(mesh, sys) || !extract_charges(mesh, sys, charges)) return -1.0;
    double q0 = top_strip_charge(mesh, charges.f0.get());
    double q = top_strip_charge(mesh, charges.f_slab.get());
    sys = systems{};

    double c0 = q0 / (charges.vacuum.top - charges.vacuum.bottom);
    double c = q / (charges.slab.top - charges.slab.bottom);
    double z0 = 1.0 / (std::sqrt(c0 * c) * 3e8);
    // A singular system (or a cell too narrow to integrate) leaves infinities or NaNs
    // behind; a number made of them is no answer.
    if (!std::isfinite(c0) || !std::isfinite(c) || !std::isfinite(z0)) {
        error_sink(L"solve_line(): the system has no finite solution");
        return solve_failed();
    }

    hand_out(std::move(charges.f0), std::move(charges.sigma0), vacuum_charges);
    hand_out(std::move(charges.f_slab), std::move(charges.sigma), slab_charges);
    if (capacitances) {
        capacitances[0] = c0;
        capacitances[1] = c;
    }
    return z0;
}

std::size_t solve_line_bytes(const mesh_t *mesh) {
    return peak_bytes(mesh->cell_count, mesh->dielectric_begin);
}
