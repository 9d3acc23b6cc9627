// The dielectric models: the wideband curve passes through the data sheet's pair, obeys
// the Kramers-Kronig relation between eps' and eps'' (checked by integrating eps'' with
// the principal value taken out), has a loss nearly flat between its poles, and falls
// to finite real limits at DC and far above; the constant model is the pair everywhere.
#include "core/wave/dielectric_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace {

constexpr double pi = 3.141592653589793;

std::complex<double> debye(double er, double tan_delta, double reference, double f) {
    return dielectric_permittivity(dielectric_model::wideband_debye, er, tan_delta, reference, f);
}

// eps''(x) as the model gives it.
double loss(double er, double tan_delta, double reference, double x) {
    return -debye(er, tan_delta, reference, x).imag();
}

// (2 / pi) PV integral over (0, inf) of x eps''(x) / (x^2 - f^2) dx, written as the
// regular integral of (x eps''(x) - f eps''(f)) / (x^2 - f^2) (the principal value of
// 1 / (x^2 - f^2) over (0, inf) is 0), over x = exp(u) by Simpson's rule on a grid
// whose points straddle u = ln f, from 1e-8 Hz to 1e24 Hz, beyond which the integrand's
// tails are below 1e-12 of the result.
double kramers_kronig(double er, double tan_delta, double reference, double f) {
    double h = 0.005, at_f = f * loss(er, tan_delta, reference, f);
    int below = int((std::log(f) - std::log(1e-8)) / h),
        above = int((std::log(1e24) - std::log(f)) / h);
    int count = below + above; // an even number of intervals
    if (count % 2 == 1) ++count;
    auto integrand = [&](int i) {
        double x = std::exp(std::log(f) + (i - below + 0.5) * h);
        return (x * loss(er, tan_delta, reference, x) - at_f) * x / (x * x - f * f);
    };
    double sum = integrand(0) + integrand(count);
    for (int i = 1; i < count; ++i)
        sum += (i % 2 == 1 ? 4 : 2) * integrand(i);
    return 2 / pi * sum * h / 3;
}

} // namespace

TEST(dielectric_model, wideband_curve_passes_through_the_pair) {
    for (auto [er, tan_delta, reference] : {std::tuple{4.3, 0.02, 1e9}, std::tuple{3.0, 0.002, 1e7},
                                            std::tuple{10.2, 0.0023, 1e10}}) {
        std::complex<double> at = debye(er, tan_delta, reference, reference);
        EXPECT_NEAR(at.real(), er, 1e-12 * er);
        EXPECT_NEAR(-at.imag(), er * tan_delta, 1e-12 * er * tan_delta);
    }
    // No loss fixes no relaxation: the real constant at every frequency.
    for (double f : {0.0, 1e3, 1e9, 1e14})
        EXPECT_EQ(debye(3.5, 0, 1e9, f), std::complex<double>(3.5, 0));
    // The constant model is the pair itself, DC included.
    for (double f : {0.0, 1e3, 1e9, 1e14})
        EXPECT_EQ(dielectric_permittivity(dielectric_model::constant, 4.3, 0.02, 1e9, f),
                  std::complex<double>(4.3, -4.3 * 0.02));
}

TEST(dielectric_model, wideband_curve_obeys_kramers_kronig) {
    // eps'(f) - eps_inf against the integral of eps'', eps_inf taken far above the poles;
    // the quadrature is good to about 1e-10 of the total dispersion, the bound 1e-7.
    double er = 4.3, tan_delta = 0.02, reference = 1e9;
    double eps_inf = debye(er, tan_delta, reference, 1e30).real();
    double dispersion = debye(er, tan_delta, reference, 0).real() - eps_inf;
    ASSERT_GT(dispersion, 0.1);
    for (double f : {1e3, 1e5, 1e8, 1e9, 3e10, 1e12, 1e13}) {
        double rise = debye(er, tan_delta, reference, f).real() - eps_inf;
        EXPECT_NEAR(rise, kramers_kronig(er, tan_delta, reference, f), 1e-7 * dispersion) << f;
    }
}

TEST(dielectric_model, wideband_curve_falls_with_a_flat_loss_and_real_ends) {
    double er = 4.3, tan_delta = 0.02, reference = 1e9;
    std::complex<double> dc = debye(er, tan_delta, reference, 0);
    EXPECT_EQ(dc.imag(), 0);
    EXPECT_TRUE(std::isfinite(dc.real()));
    EXPECT_NEAR(debye(er, tan_delta, reference, 1e-3).real(), dc.real(), 1e-9);
    double previous = dc.real();
    for (double f = 1; f <= 1e15; f *= 1.5) {
        std::complex<double> eps = debye(er, tan_delta, reference, f);
        EXPECT_LE(eps.real(), previous) << f;
        EXPECT_GT(-eps.imag(), 0) << f;
        previous = eps.real();
    }
    EXPECT_GT(debye(er, tan_delta, reference, 1e30).real(), 1);
    // Two decades inside each pole, eps'' stays within 1 % of its middle value.
    double middle = loss(er, tan_delta, reference, 1e8);
    for (double f : {1e6, 1e7, 1e9, 1e10})
        EXPECT_NEAR(loss(er, tan_delta, reference, f), middle, 0.01 * middle) << f;
}
