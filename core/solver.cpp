// solve_line: assembly, the two inversions, the charge-neutral excitation and the
// extraction of the capacitances. Every matrix but the four output vectors lives and
// dies within one call; the guards release them on every failure path.
#include "solver.h"
#include "messages.h"

#include "assembly.h"
#include "params.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace {

double solve_failed() {
    info_sink(L"Calculation failed");
    return -1.0;
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

double element(const md_t *m, std::int32_t i, std::int32_t j) {
    return m->data[std::size_t(i) * std::size_t(m->cols) + std::size_t(j)];
}

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
        if (!std::isfinite(element(x, m, k))) return false;
    }
    return true;
}

// Element (j, k) of I * x exactly as the product sums it from +0.0 over m: with a
// finite column every term but x[j][k] is a zero, which leaves x[j][k] except that
// -0.0 becomes +0.0, as adding +0.0 does; a column with an infinity or a NaN (0 times
// infinity is NaN) takes the sum itself.
double identity_product(const md_t *x, std::int32_t j, std::int32_t k, bool finite_column) {
    if (finite_column) return element(x, j, k) + 0.0;
    double s = +0.0;
    for (std::int32_t m = 0; m < x->rows; ++m)
        s = s + (m == j ? 1.0 : 0.0) * element(x, m, k);
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

} // namespace

double solve_line(const mesh_t *mesh, charge_pair *vacuum_charges, charge_pair *slab_charges,
                  double *capacitances) {
    info_sink(L"Filling matrix");
    std::int32_t n = mesh->cell_count;
    std::int32_t s = mesh->dielectric_begin;

    // P opens the working set of the whole call: refusing it here, when the rest would
    // not fit either, stops the calculation before anything large exists.
    md_ptr p(md_new_within(n, n, peak_bytes(n, s)));
    if (!p) {
        info_sink(L"Could not create matrix");
        return solve_failed();
    }
    md_ptr f(md_new(n, n));
    if (!f) {
        info_sink(L"Could not create matrix");
        return solve_failed();
    }
    md_fill(p.get(), 0.0);
    md_fill(f.get(), 0.0);
    assemble_system(mesh, p.get(), f.get());

    // R, the vacuum problem's system, is the strip block of P before P is inverted.
    md_ptr r(md_new(s, s));
    if (!r) {
        error_sink(L"Failed to create matrix");
        return solve_failed();
    }
    for (std::int32_t i = 0; i < s; ++i) {
        for (std::int32_t j = 0; j < s; ++j)
            r->data[std::size_t(i) * s + j] = element(p.get(), i, j);
    }
    info_sink(L"Inverting matrix");
    if (md_inverse_direct(r.get()) != 0 || md_inverse_direct(p.get()) != 0) return solve_failed();
    info_sink(L"Extracting the result");

    // Room for the rows of the two products the voltages read: those of I_S * R (in
    // vacuum free and total charge coincide, so the free-charge matrix is the identity)
    // and the strip rows and columns of F * P.
    md_ptr rows(md_new(rows_per_block + 1, s));
    if (!rows) {
        error_sink(L"md_mul(): not enough memory!");
        return solve_failed();
    }
    double *flags = rows->data + std::size_t(rows_per_block) * std::size_t(s);
    strip_voltages vacuum = vacuum_voltages(mesh, r.get(), rows->data, flags);
    strip_voltages slab = slab_voltages(mesh, f.get(), p.get(), rows->data);
    rows.reset();

    md_ptr v0(md_new(s, 1));
    md_ptr v(md_new(n, 1));
    if (!v0) error_sink(L"Failed to create matrix");
    if (!v) error_sink(L"Failed to create matrix");
    if (!v0 || !v) return solve_failed();
    set_excitation(mesh, v0.get(), vacuum);
    set_excitation(mesh, v.get(), slab);

    md_ptr sigma0(md_mul(r.get(), v0.get()));
    if (!sigma0) return solve_failed();
    md_ptr sigma(md_mul(p.get(), v.get()));
    if (!sigma) return solve_failed();
    // f0 = I_S * sigma0, with the product's own failure lines.
    md_ptr f0(md_new(s, 1));
    if (!f0) {
        error_sink(L"md_mul(): not enough memory!");
        return solve_failed();
    }
    bool finite_sigma0 = column_is_finite(sigma0.get(), 0);
    for (std::int32_t j = 0; j < s; ++j) {
        f0->data[j] = identity_product(sigma0.get(), j, 0, finite_sigma0);
    }
    md_ptr f_slab(md_mul(f.get(), sigma.get()));
    if (!f_slab) return solve_failed();

    double q0 = top_strip_charge(mesh, f0.get());
    double q = top_strip_charge(mesh, f_slab.get());
    r.reset();
    p.reset();
    f.reset();
    v0.reset();
    v.reset();

    double c0 = q0 / (vacuum.top - vacuum.bottom);
    double c = q / (slab.top - slab.bottom);
    double z0 = 1.0 / (std::sqrt(c0 * c) * 3e8);
    // A singular system (or a cell too narrow to integrate) leaves infinities or NaNs
    // behind; a number made of them is no answer.
    if (!std::isfinite(c0) || !std::isfinite(c) || !std::isfinite(z0)) {
        error_sink(L"solve_line(): the system has no finite solution");
        return solve_failed();
    }

    hand_out(std::move(f0), std::move(sigma0), vacuum_charges);
    hand_out(std::move(f_slab), std::move(sigma), slab_charges);
    if (capacitances) {
        capacitances[0] = c0;
        capacitances[1] = c;
    }
    return z0;
}
