// The line types on which the engine is compared with the finite-volume solution, each
// as the named line and the same cross-section in rectangles for the reference.
#pragma once

#include "core/graded/line_types.h"
#include "tests/physics/validation/fd_section.h"

#include <limits>
#include <vector>

struct line_case {
    const char *name;
    line_geometry line;
    fd_section reference;
};

inline std::vector<line_case> line_cases() {
    constexpr double far = std::numeric_limits<double>::infinity();
    std::vector<line_case> cases;

    // A pair of 35 um traces on 0.2 mm of FR-4, bare and under 25 um of mask.
    line_geometry pair;
    pair.type = line_type::coupled_microstrip;
    pair.w = 0.3e-3;
    pair.t = 35e-6;
    pair.s = 0.2e-3;
    pair.h = 0.2e-3;
    pair.epsilon_r = 4.4;
    fd_section bare;
    bare.lower_plane = true;
    double inner = pair.s / 2, outer = pair.s / 2 + pair.w;
    bare.conductors = {{{-outer, pair.h, -inner, pair.h + pair.t}, 1},
                       {{inner, pair.h, outer, pair.h + pair.t}, 2}};
    bare.dielectrics = {{{-far, 0, far, pair.h}, pair.epsilon_r}};
    cases.push_back({"coupled microstrip, t 35 um", pair, bare});

    line_geometry coated = pair;
    coated.type = line_type::coupled_coated_microstrip;
    coated.mask = 25e-6;
    coated.epsilon_mask = 3.5;
    fd_section masked = bare;
    double m = coated.mask, top = pair.h + pair.t + m;
    masked.dielectrics = {{{-far, pair.h, far, pair.h + m}, coated.epsilon_mask},
                          {{-outer - m, pair.h, -inner + m, top}, coated.epsilon_mask},
                          {{inner - m, pair.h, outer + m, top}, coated.epsilon_mask},
                          {{-far, 0, far, pair.h}, pair.epsilon_r}};
    cases.push_back({"coated pair, mask 25 um", coated, masked});

    // An offset stripline in two dielectrics.
    line_geometry strip;
    strip.type = line_type::stripline;
    strip.w = 0.2e-3;
    strip.t = 35e-6;
    strip.h = 0.15e-3;
    strip.h2 = 0.3e-3;
    strip.epsilon_r = 4.4;
    strip.epsilon_r2 = 3.8;
    fd_section planes;
    planes.lower_plane = planes.upper_plane = true;
    planes.upper_height = strip.h + strip.t + strip.h2;
    planes.conductors = {{{-strip.w / 2, strip.h, strip.w / 2, strip.h + strip.t}, 1}};
    planes.dielectrics = {{{-far, strip.h, far, planes.upper_height}, strip.epsilon_r2},
                          {{-far, 0, far, strip.h}, strip.epsilon_r}};
    cases.push_back({"offset stripline, 4.4 / 3.8", strip, planes});

    // A grounded coplanar waveguide with 2 mm grounds.
    line_geometry cpw;
    cpw.type = line_type::gcpw;
    cpw.w = 0.3e-3;
    cpw.t = 35e-6;
    cpw.g = 0.15e-3;
    cpw.h = 0.2e-3;
    cpw.epsilon_r = 4.4;
    cpw.ground_width = 2e-3;
    fd_section grounded;
    grounded.lower_plane = true;
    double gap = cpw.w / 2 + cpw.g, end = gap + cpw.ground_width;
    grounded.conductors = {{{-cpw.w / 2, cpw.h, cpw.w / 2, cpw.h + cpw.t}, 1},
                           {{-end, cpw.h, -gap, cpw.h + cpw.t}, 0},
                           {{gap, cpw.h, end, cpw.h + cpw.t}, 0}};
    grounded.dielectrics = {{{-far, 0, far, cpw.h}, cpw.epsilon_r}};
    cases.push_back({"grounded CPW, grounds 2 mm", cpw, grounded});
    return cases;
}
