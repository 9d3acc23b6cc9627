// The boundary of a cross-section cut into straight panels of uniform charge density.
// Each polygon edge is split where another polygon's corner lies on it; every resulting
// boundary segment is classified by the media on its two sides (a conductor face, a
// sheet conductor with a medium on each side, or an interface between two permittivities)
// and cut into panels graded towards its two ends, where the charge density is singular:
// a panel's size grows in proportion to its distance from the nearer end, starting from
// a fraction of the end's local feature size (the shortest segment meeting there). A
// narrow strip thus gets as many panels as a wide one, and a long bare face costs only
// logarithmically more than a short one.
#pragma once

#include "core/base/env_vector.h"
#include "core/graded/cross_section.h"

#include <cstdint>
#include <memory>

enum class panel_kind {
    conductor, // a conductor face; front is the medium it touches
    sheet,     // a zero-thickness conductor; media on both sides
    interface, // between two dielectrics of different permittivity
};

struct panel_t {
    xs_point a, b;   // ends
    xs_point centre; // the collocation point
    double length;   // metres
    xs_point normal; // unit normal, pointing into the front medium
    panel_kind kind;
    int electrode;    // conductors and sheets (xs_ground for a ground conductor); -1 for interfaces
    double eps_front; // relative permittivity of the medium the normal points into
    double eps_back;  // of the medium behind (sheets and interfaces)
};

// Conductor and sheet panels come first, electrode 0 before electrode 1, the ground
// conductors last, each conductor's panels in the order of its boundary; then the
// interface panels. A section that is its own mirror image in x = 0 keeps only the
// panels right of the plane: each stands for itself and its mirror image, which carries
// the same charge (mirror_sign 1: an even drive) or the opposite one (-1: an odd drive),
// so the system has half the unknowns and an eighth of the factorisation's cost.
struct panel_set {
    explicit panel_set(const calc_env &env) : panels(env_allocator<panel_t>(env)) {}

    env_vector<panel_t> panels;
    std::int32_t conductor_count = 0; // panels [0, conductor_count) are conductors or sheets
    int electrode_count = 0;
    bool ground_plane = false;
    bool mirror_x = false;
    double mirror_sign = 1;
    bool mirror_pair = false; // the kept half is one of a symmetric pair's conductors
    bool upper_plane = false;
    double upper_height = 0;
    bool ground_conductors = false; // some conductor panels are held at the reference
};

// The free-charge functionals a set's system has: one per signal electrode and, when
// there are ground conductors, one more for all of them together; and which one a
// conductor or sheet panel belongs to.
inline int panel_set_functionals(const panel_set &set) {
    return set.electrode_count + (set.ground_conductors ? 1 : 0);
}

inline int panel_set_functional(const panel_set &set, const panel_t &panel) {
    return panel.electrode == xs_ground ? set.electrode_count : panel.electrode;
}

// Cuts the cross-section's boundary into panels; density 1 is the base layout, and
// doubling it doubles the panels of every segment (halving every panel's size). Returns
// a new set owned by the caller, or null after reporting through the environment's
// error slot when the layout would exceed max_panels panels, the geometry has no
// conductor panel or the memory cannot be had.
panel_set *panels_new(const calc_env &env, const cross_section &section, double density,
                      std::int32_t max_panels);

// The panel count panels_new would produce, without building the panels: 0 on the same
// failures (reported), so that a caller can check the memory a solve needs first.
std::int32_t panels_count(const calc_env &env, const cross_section &section, double density);

// Releases the set. Null is accepted. Cannot fail.
void panels_free(panel_set *set);

struct panels_deleter {
    void operator()(panel_set *set) const { panels_free(set); }
};
using panels_ptr = std::unique_ptr<panel_set, panels_deleter>;
