// The exact internal impedances of round conductors, for the tests: the modified Bessel
// functions I0, I1, K0, K1 of a complex argument written out here (power series for a
// small argument, the Hankel asymptotic series for a large one, both scaled by
// exp(-z) or exp(z) so that a conductor of thousands of skin depths does not overflow),
// and Schelkunoff's impedances of a wire and of a tube returning the current on its
// inside. With gamma = (1 + j) / delta, delta the skin depth:
//   wire of radius a:        Z = gamma I0(gamma a) / (2 pi a sigma I1(gamma a))
//   tube from b to c, current on its inner face:
//     Z = gamma / (2 pi b sigma) (I0(gb) K1(gc) + K0(gb) I1(gc)) / (I1(gc) K1(gb) - I1(gb) K1(gc))
#pragma once

#include <cmath>
#include <complex>
#include <numbers>

namespace round_exact {

using cplx = std::complex<double>;

// exp(-z) I_nu(z) and exp(z) K_nu(z), nu = 0 or 1, Re z > 0.
inline cplx scaled_i(int nu, cplx z) {
    if (std::abs(z) < 20) {
        cplx term = nu == 0 ? cplx(1) : z / 2.0, sum = term, q = z * z / 4.0;
        for (int k = 1; k < 200; ++k) {
            term *= q / (double(k) * double(k + nu));
            sum += term;
            if (std::abs(term) < 1e-17 * std::abs(sum)) break;
        }
        return sum * std::exp(-z);
    }
    double mu = 4.0 * nu * nu;
    cplx term = 1, sum = 1;
    for (int k = 1; k < 30; ++k) {
        term *= -(mu - (2 * k - 1) * (2 * k - 1)) / (double(k) * 8.0 * z);
        sum += term;
    }
    return sum / std::sqrt(2 * std::numbers::pi * z);
}

inline cplx scaled_k(int nu, cplx z) {
    if (std::abs(z) < 8) {
        // K0 = -(ln(z/2) + gamma) I0 + sum (z^2/4)^k / (k!)^2 H_k, and K1 from the
        // Wronskian I0 K1 + I1 K0 = 1/z.
        constexpr double euler = 0.57721566490153286061;
        cplx q = z * z / 4.0, term = 1, i0 = 1, k0 = 0;
        double harmonic = 0;
        for (int k = 1; k < 200; ++k) {
            term *= q / (double(k) * double(k));
            harmonic += 1.0 / k;
            i0 += term;
            k0 += term * harmonic;
        }
        k0 += -(std::log(z / 2.0) + euler) * i0;
        if (nu == 0) return k0 * std::exp(z);
        cplx i1 = scaled_i(1, z) * std::exp(z);
        return (1.0 / z - i1 * k0) / i0 * std::exp(z);
    }
    double mu = 4.0 * nu * nu;
    cplx term = 1, sum = 1;
    for (int k = 1; k < 30; ++k) {
        term *= (mu - (2 * k - 1) * (2 * k - 1)) / (double(k) * 8.0 * z);
        sum += term;
    }
    return sum * std::sqrt(std::numbers::pi / (2.0 * z));
}

inline double skin_depth(double f, double sigma) {
    return 1 / std::sqrt(std::numbers::pi * f * 4e-7 * std::numbers::pi * 1.00000000055 * sigma);
}

// The wire's internal impedance per metre; its DC resistance at f = 0.
inline cplx wire(double a, double sigma, double f) {
    if (f == 0) return 1 / (std::numbers::pi * a * a * sigma);
    cplx gamma = cplx(1, 1) / skin_depth(f, sigma);
    return gamma * scaled_i(0, gamma * a) /
           (2 * std::numbers::pi * a * sigma * scaled_i(1, gamma * a));
}

// The tube's internal impedance per metre with the current returning on its inner face.
inline cplx tube(double b, double c, double sigma, double f) {
    if (f == 0) return 1 / (std::numbers::pi * (c * c - b * b) * sigma);
    cplx gamma = cplx(1, 1) / skin_depth(f, sigma);
    cplx gb = gamma * b, gc = gamma * c;
    // Every product scaled by exp(gamma (b - c)) alike, so that the ratio is exact.
    cplx e = std::exp(-2.0 * gamma * (c - b));
    cplx num = scaled_i(0, gb) * scaled_k(1, gc) * e + scaled_k(0, gb) * scaled_i(1, gc);
    cplx den = scaled_i(1, gc) * scaled_k(1, gb) - scaled_i(1, gb) * scaled_k(1, gc) * e;
    return gamma / (2 * std::numbers::pi * b * sigma) * num / den;
}

} // namespace round_exact
