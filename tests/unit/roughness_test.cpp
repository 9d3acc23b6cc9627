// The roughness factors: 1 for a smooth surface and at DC, the models' ceilings when the
// skin depth is far below the roughness, monotone in between, and the half-way points
// that follow from their forms (Hammerstad's arctangent at pi / 4, Huray's denominator
// at 2).
#include "core/wave/roughness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(roughness, smooth_and_dc_give_one_and_fine_skin_depths_the_ceilings) {
    double infinite = std::numeric_limits<double>::infinity();
    for (double depth : {0.0, 1e-7, 1e-3, infinite}) {
        EXPECT_EQ(roughness_hammerstad(0, depth), 1);
        EXPECT_EQ(roughness_huray(0, 2.5, depth), 1);
        EXPECT_EQ(roughness_huray(0.5e-6, 0, depth), 1);
    }
    EXPECT_EQ(roughness_hammerstad(1e-6, infinite), 1);
    EXPECT_EQ(roughness_huray(0.5e-6, 2.5, infinite), 1);
    // A 1 um profile under a 1 mm skin depth (copper near 4 kHz): within 1e-6 of 1.
    EXPECT_NEAR(roughness_hammerstad(1e-6, 1e-3), 1, 1e-6);
    EXPECT_NEAR(roughness_huray(0.5e-6, 2.5, 1e-3), 1, 2e-6);
    // A skin depth of a picometre: the saw-tooth path's 2, the balls' 1 + 1.5 SR.
    EXPECT_NEAR(roughness_hammerstad(1e-6, 1e-12), 2, 1e-12);
    EXPECT_NEAR(roughness_huray(0.5e-6, 2.5, 1e-12), 1 + 1.5 * 2.5, 1e-5);
    EXPECT_EQ(roughness_hammerstad(1e-6, 0), 2);
    EXPECT_EQ(roughness_huray(0.5e-6, 2.5, 0), 1 + 1.5 * 2.5);
}

TEST(roughness, factors_rise_with_frequency_through_their_half_way_points) {
    double rms = 1.2e-6, radius = 0.5e-6, ratio = 2.9;
    double hammerstad = 1, huray = 1;
    // The skin depth falls as the frequency rises: from 10 mm to 1 nm.
    for (double depth = 1e-2; depth > 1e-9; depth /= 1.3) {
        double h = roughness_hammerstad(rms, depth), u = roughness_huray(radius, ratio, depth);
        EXPECT_GE(h, hammerstad) << depth;
        EXPECT_GE(u, huray) << depth;
        hammerstad = h;
        huray = u;
    }
    EXPECT_NEAR(roughness_hammerstad(rms, rms * std::sqrt(1.4)), 1.5, 1e-14);
    EXPECT_NEAR(roughness_huray(radius, ratio, radius * (std::sqrt(3.0) - 1)), 1 + 0.75 * ratio,
                1e-14);
    // The record picks the model and reads only its fields.
    roughness_spec spec;
    EXPECT_EQ(roughness_factor(spec, 1e-7), 1);
    spec = {roughness_spec::kind::hammerstad, rms, 0, 0};
    EXPECT_EQ(roughness_factor(spec, 1e-7), roughness_hammerstad(rms, 1e-7));
    spec = {roughness_spec::kind::huray, 0, radius, ratio};
    EXPECT_EQ(roughness_factor(spec, 1e-7), roughness_huray(radius, ratio, 1e-7));
}
