// The reference solution: the full F * P and I_S * R products, both inversions and the
// charge-neutral voltages, exactly in the stated order.
#include "tests/exact/oracle/literal_solver.h"

#include "core/dense/matrix.h"
#include "core/uniform/assembly.h"
#include "tests/exact/oracle/literal_matrix.h"

#include <chrono>
#include <cmath>

namespace {

struct matrix {
    md_t *m;
    matrix(int rows, int cols) : m(md_new(rows, cols)) { md_fill(m, 0.0); }
    ~matrix() { md_free(m); }
    double &at(int i, int j) { return m->data[std::size_t(i) * m->cols + j]; }
};

void voltages(const mesh_t &mesh, matrix &y, double &top, double &bottom) {
    top = 0.0;
    bottom = 0.0;
    for (int j = 0; j < mesh.dielectric_begin; ++j) {
        for (int k = mesh.strip1_begin; k < mesh.strip2_begin; ++k) {
            bottom = bottom - mesh.cells[j].half_width * y.at(j, k);
        }
        for (int k = mesh.strip2_begin; k < mesh.dielectric_begin; ++k) {
            top = top + mesh.cells[j].half_width * y.at(j, k);
        }
    }
}

std::vector<double> column(matrix &v) {
    return {v.m->data, v.m->data + v.m->rows};
}

double top_charge(const mesh_t &mesh, matrix &f) {
    double sum = 0.0;
    for (int i = mesh.strip1_begin; i < mesh.strip2_begin; ++i) {
        sum = sum + f.at(i, 0) * mesh.cells[i].half_width;
    }
    return 2 * sum;
}

} // namespace

literal_solution literal_solve(const mesh_t &mesh, literal_phase_times *times) {
    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    auto seconds_since = [](clock::time_point t) {
        return std::chrono::duration<double>(clock::now() - t).count();
    };
    int n = mesh.cell_count, s = mesh.dielectric_begin;
    matrix p(n, n), f(n, n), r(s, s), identity(s, s), y0(s, s), y(n, n);
    assemble_system(&mesh, p.m, f.m);
    for (int i = 0; i < s; ++i) {
        identity.at(i, i) = 1.0;
        for (int j = 0; j < s; ++j)
            r.at(i, j) = p.at(i, j);
    }
    double fill = seconds_since(t0);
    auto t1 = clock::now();
    literal_md_inverse(r.m);
    double invert_strips = seconds_since(t1);
    auto t2 = clock::now();
    literal_md_inverse(p.m);
    double invert_system = seconds_since(t2);
    auto t3 = clock::now();
    literal_md_mul(identity.m, r.m, y0.m);
    literal_md_mul(f.m, p.m, y.m);
    double vt0, vb0, vt, vb;
    voltages(mesh, y0, vt0, vb0);
    voltages(mesh, y, vt, vb);
    matrix v0(s, 1), v(n, 1), sigma0(s, 1), sigma(n, 1), f0(s, 1), fs(n, 1);
    for (int k = mesh.strip1_begin; k < mesh.strip2_begin; ++k) {
        v0.at(k, 0) = vt0;
        v.at(k, 0) = vt;
    }
    for (int k = mesh.strip2_begin; k < mesh.dielectric_begin; ++k) {
        v0.at(k, 0) = vb0;
        v.at(k, 0) = vb;
    }
    literal_md_mul(r.m, v0.m, sigma0.m);
    literal_md_mul(p.m, v.m, sigma.m);
    literal_md_mul(identity.m, sigma0.m, f0.m);
    literal_md_mul(f.m, sigma.m, fs.m);
    if (times) *times = {fill, invert_strips, invert_system, seconds_since(t3)};
    double c0 = top_charge(mesh, f0) / (vt0 - vb0);
    double c = top_charge(mesh, fs) / (vt - vb);
    return {
        c0,           c, 1.0 / (std::sqrt(c0 * c) * 3e8), column(f0), column(sigma0), column(fs),
        column(sigma)};
}
