// How much more a rough conductor's surface dissipates than a smooth one at the same
// skin depth: the factor that multiplies the smooth surface resistance. Both models
// tend to 1 when the skin depth is large against the roughness (the current flows
// beneath the profile and does not see it) and to a ceiling when it is small (the
// current follows every bump of the surface).
//   Hammerstad and Bekkadal: 1 + (2 / pi) atan(1.4 (Delta / delta)^2), Delta the rms
//   height of the profile; the ceiling is 2, the path along a saw-tooth surface.
//   Huray's snowballs: the surface is a flat plane carrying copper balls of radius a whose
//   total surface is surface_ratio times the flat area; each ball absorbs as a sphere of
//   a good conductor, giving 1 + (3/2) surface_ratio / (1 + delta / a + delta^2 / (2 a^2)),
//   whose ceiling 1 + 1.5 surface_ratio is set by the balls' area, not by a fitted constant.
// Lengths are in metres; a skin depth of +infinity (DC) gives 1.
#pragma once

// Hammerstad and Bekkadal's factor. A zero rms height gives 1. Cannot fail.
double roughness_hammerstad(double rms_roughness, double skin_depth);

// Huray's snowball factor. A zero ball radius or surface ratio gives 1. Cannot fail.
double roughness_huray(double ball_radius, double surface_ratio, double skin_depth);

// A conductor surface's roughness as a design states it; only the model's own fields
// are read.
struct roughness_spec {
    enum class kind { none, hammerstad, huray } model = kind::none;
    double rms = 0;           // Hammerstad: the profile's rms height, metres
    double ball_radius = 0;   // Huray: the balls' radius, metres
    double surface_ratio = 0; // Huray: the balls' total surface over the flat area
};

// The factor of the surface's model: 1 for none. Cannot fail.
double roughness_factor(const roughness_spec &spec, double skin_depth);
