// The dielectric's relative permittivity at any frequency from the pair a data sheet
// gives, eps_r and tan(delta) at one reference frequency. Either the pair holds at every
// frequency (constant), or it fixes the wideband Debye curve (Djordjevic and Sarkar)
//   eps(f) = eps_inf + delta_eps / (m2 - m1) * log10((10^m2 + j f) / (10^m1 + j f)),
// a continuum of relaxations with poles spread evenly in log f from 10^m1 = 10 kHz to
// 10^m2 = 1 THz. Between the poles it has the nearly flat loss tangent that laminates
// show, and, unlike the constant pair, it is causal: eps' and eps'' obey the
// Kramers-Kronig relations, so eps' falls a little as the frequency rises and a line's
// pulse response starts after its delay. The convention is exp(+j omega t), eps = eps' -
// j eps'' with eps'' >= 0.
#pragma once

#include <complex>

enum class dielectric_model { constant, wideband_debye };

// The relative complex permittivity at frequency f (Hz, f >= 0) of the material whose
// eps' and tan(delta) at reference_frequency (Hz) are epsilon_r and tan_delta. constant:
// epsilon_r * (1 - j tan_delta) at every f, DC included (the caller takes G as omega C
// tan_delta, which vanishes there). wideband_debye: the curve through the pair at the
// reference frequency; at DC it is real, eps_inf + delta_eps. A reference frequency at
// or below 0 fixes no curve and gives the constant model; the curve is physical
// (eps_inf > 0) for references between the poles and loss tangents below about 0.1.
// Cannot fail.
std::complex<double> dielectric_permittivity(dielectric_model model, double epsilon_r,
                                             double tan_delta, double reference_frequency,
                                             double f);
