// Studies over the real calculation: a convergence estimate from refined meshes, the
// synthesis of one field for a target Z0, and sweeps of one field. Every point is one
// complete run of validation and the calculation job on field texts, so every value a
// study reports can be typed back in and gives the same numbers.
#pragma once

#include "core/base/calc_env.h"
#include "core/job/solver_variant.h"
#include "input/fields.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One calculation of a study.
struct study_point {
    bool ok = false;
    std::wstring value;              // the text of the varied field (or of the mesh step)
    double mesh_step = 0;            // metres, as meshed
    int cells = 0;                   // mesh cells
    std::size_t working_set = 0;     // bytes the solve holds at its peak
    double z0 = 0;                   // ohms, as printed
    double eps_eff = 0;              // C / C0
    std::vector<std::wstring> lines; // the run's lines, for reporting a refusal or failure
};

// The eight field texts, in input_field order.
using field_texts = std::vector<std::wstring>;

// What a host sees of a running study: the study tells `solved` of each point as soon as
// it has run (on the study's thread). A study looks at its environment's cancel flag
// before every solve: once it is set the study ends at once, marked cancelled, with the
// points it had.
struct study_watch {
    std::function<void(const study_point &)> solved;
    // A point's mesh is made and its solve starts: the point so far (its value, cells
    // and working set), so that a host can tell of a long solve before it begins.
    std::function<void(const study_point &)> meshed;
};

// One run with these texts, in an environment of its own that takes env's memory
// ceiling, threads, test switches and cancel flag and keeps the run's lines in the
// point: a point may use what a single run may use. A point whose solve would not fit
// the memory is refused with its cell count and the memory it needs.
// The point's value is the text of the varied field; the watch hears when its mesh is
// made (not when it is solved: the study that owns the point says so).
study_point study_run(const field_texts &fields, solver_variant variant, const calc_env &env,
                      input_field varied = input_field::mesh_step, const study_watch &watch = {});

// Why a point failed: its last line that says more than that it failed.
std::wstring study_failure_reason(const study_point &point);

struct convergence {
    std::vector<study_point> points; // coarsest first, the step halved each time
    bool converged = false;          // the estimate's relative error is within tolerance
    bool estimated = false;          // at least one solve succeeded: the figures below hold
    double z0 = 0, z0_error = 0;     // extrapolated value and its error bound
    double eps_eff = 0, eps_eff_error = 0;
    double order = 0;          // observed order of Z0 (0 when it could not be seen)
    bool extrapolated = false; // false: the finest solve stands (order not the panels' 2)
    double reached = 0;        // the larger relative error of the two estimates
    std::wstring stop;         // why the study stopped short of converging
    bool cancelled = false;
};

// Solves the accurate variant on meshes of step s, s/2, s/4, ... from the fields' mesh
// step (AUTO: twice the automatic step), each halving refining every panel set, and
// estimates from the last three solves after each (richardson_estimate: extrapolated
// when their order is the panels' second order, else the finest solve stands);
// stops when both estimates' relative errors are within tolerance (at least three
// solves), when a solve fails or is refused (the next mesh would not fit the memory
// available), or after max_solves. The best estimate so far is kept either way.
convergence study_converge(const field_texts &fields, double tolerance, const calc_env &env,
                           int max_solves = 8, const study_watch &watch = {});

struct synthesis {
    bool found = false;
    study_point best; // the point whose value is the answer
    int solves = 0;
    std::wstring searched_from, searched_to; // the range searched, field units
    double z0_from = 0, z0_to = 0;           // Z0 at its ends
    // The first value that could not be solved and why ("0.0375: Mesh too large: ..."),
    // or empty: a target out of reach is only called so when nothing failed.
    std::wstring failure;
    bool cancelled = false; // stopped by the watch: nothing else holds
};

// Finds the value of field giving Z0 = target, within 0.001 ohm or as close as the
// grid allows: brackets the target on a geometric ladder from the field's value (one rung
// either way, then towards the target, to 64 times or a 64th of it), then
// Brent's method. Every value tried is a multiple of resolution (field units, such as
// 0.0001 mm: what a length can mean), so the answer is a value a person would write and
// its Z0 is that value's own.
synthesis study_synthesize(const field_texts &fields, input_field field, double target,
                           double resolution, solver_variant variant, const calc_env &env,
                           const study_watch &watch = {});

// The grid of a synthesized value in millimetres (a length) or as it is: 0.1 um, and
// 0.0001 for a permittivity.
constexpr double study_default_resolution = 1e-4;

struct sweep {
    input_field field = input_field::w1;
    std::vector<double> x;           // the values asked for, field units
    std::vector<study_point> points; // one per value run, its text in value
    std::wstring thickness;          // the strip thickness text of every point
    bool cancelled = false;          // stopped by the watch before the last value
};

// The number of values from `from` to `to` in steps of `step` (the last one within
// rounding of `to`), or 0 when the step does not lead there in at most 10000 steps.
long study_sweep_count(double from, double to, double step);

// Value k of a sweep, from + k step, with a value that should be zero (from -0.5 in
// steps of 0.25) made zero: the typed ends carry their decimal rounding, and a length
// near 1e-16 would be taken for a real, absurdly narrow strip.
double study_sweep_value(double from, double step, long k);

// Calls run(value) for each value of a sweep (study_sweep_count's rule) until the
// environment's cancel flag is set; returns whether it was.
bool study_sweep_each(double from, double to, double step, const calc_env &env,
                      const std::function<void(double)> &run);

// One run per value of the field: from, from + step, ... up to to.
sweep study_sweep(const field_texts &fields, input_field field, double from, double to, double step,
                  solver_variant variant, const calc_env &env, const study_watch &watch = {});

// The text of a field value as the study writes it (12 significant digits, C locale).
std::wstring study_value_text(double value);
