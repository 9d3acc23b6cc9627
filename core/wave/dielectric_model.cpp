// The two dielectric models. The wideband curve is fitted through the pair by solving
// for eps_inf and delta_eps, two real unknowns from one complex equation.
#include "core/wave/dielectric_model.h"

#include <cmath>

namespace {

// The poles' span in decades of Hz: 10 kHz to 1 THz.
constexpr double low_decade = 4;
constexpr double high_decade = 12;

// log10((10^m2 + j f) / (10^m1 + j f)) / (m2 - m1): 1 at DC, 0 far above the poles, its
// imaginary part negative at every f > 0. The two logarithms are taken apart, as their
// difference is exact where the quotient would round.
std::complex<double> debye_shape(double f) {
    std::complex<double> high(std::pow(10.0, high_decade), f);
    std::complex<double> low(std::pow(10.0, low_decade), f);
    return (std::log(high) - std::log(low)) / (std::log(10.0) * (high_decade - low_decade));
}

} // namespace

std::complex<double> dielectric_permittivity(dielectric_model model, double epsilon_r,
                                             double tan_delta, double reference_frequency,
                                             double f) {
    if (model == dielectric_model::constant || tan_delta == 0 || !(reference_frequency > 0))
        return {epsilon_r, -epsilon_r * tan_delta};
    // eps_inf + delta_eps * (k_r - j k_i) = epsilon_r (1 - j tan_delta) at the reference.
    std::complex<double> at_reference = debye_shape(reference_frequency);
    double delta_eps = epsilon_r * tan_delta / -at_reference.imag();
    double eps_inf = epsilon_r - delta_eps * at_reference.real();
    return eps_inf + delta_eps * debye_shape(f);
}
