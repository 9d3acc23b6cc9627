// Closed-form cell integrals.
#include "exact_kernels.h"

#include <cmath>

namespace {

double same_face_antiderivative(double u) {
    return u == 0 ? 0.0 : u * std::log(std::fabs(u)) - u;
}

double opposite_antiderivative(double u, double h) {
    return 0.5 * u * std::log(u * u + h * h) - u + h * std::atan(u / h);
}

} // namespace

double exact_same_face(double xi, const cell_t &cell) {
    double left = cell.center - cell.half_width - xi;
    double right = cell.center + cell.half_width - xi;
    return same_face_antiderivative(right) - same_face_antiderivative(left);
}

exact_pair exact_opposite_face(double xi, const cell_t &cell, double h) {
    double left = cell.center - cell.half_width - xi;
    double right = cell.center + cell.half_width - xi;
    return {opposite_antiderivative(right, h) - opposite_antiderivative(left, h),
            std::atan(right / h) - std::atan(left / h)};
}

double exact_field(double xi, const cell_t &cell, double h) {
    double left = cell.center - cell.half_width - xi;
    double right = cell.center + cell.half_width - xi;
    return std::atan(right / h) - std::atan(left / h);
}
