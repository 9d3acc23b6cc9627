// The two roughness models.
#include "core/wave/roughness.h"

#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

} // namespace

double roughness_hammerstad(double rms_roughness, double skin_depth) {
    if (rms_roughness == 0) return 1;
    double ratio = rms_roughness / skin_depth;
    return 1 + (2 / pi) * std::atan(1.4 * ratio * ratio);
}

double roughness_huray(double ball_radius, double surface_ratio, double skin_depth) {
    if (ball_radius == 0 || surface_ratio == 0) return 1;
    double x = skin_depth / ball_radius;
    return 1 + 1.5 * surface_ratio / (1 + x + x * x / 2);
}

double roughness_factor(const roughness_spec &spec, double skin_depth) {
    switch (spec.model) {
    case roughness_spec::kind::hammerstad:
        return roughness_hammerstad(spec.rms, skin_depth);
    case roughness_spec::kind::huray:
        return roughness_huray(spec.ball_radius, spec.surface_ratio, skin_depth);
    case roughness_spec::kind::none:
        break;
    }
    return 1;
}
