// What one calculation reports to the program that runs it: its lines, the state of its
// Calculate button, the charge plot and its figures. Both variants' jobs reach their
// window (or the command line, or a study) only through calc_host.
#pragma once

#include "core/base/calc_env.h"
#include "core/base/charge_profile.h"
#include "core/base/messages.h"
#include "core/base/params.h"

#include <cstddef>
#include <cstdint>

// What the plot window draws: the slab problem's charges. Borrowed from the job for as
// long as the window is open.
struct plot_request {
    const charge_profile *charges;
};

// The numbers of one run: values a host may copy and keep.
struct calc_figures {
    bool ok;             // false when the mesh or the solve failed
    calc_params entered; // the parameters as they came in
    calc_params used;    // the parameters after the job's substitutions
    bool microstrip;     // the infinite-w2 fallback was applied
    bool mirrored;       // the microstrip was solved as the mirrored pair of strips
    double mesh_step;    // the nominal cell width meshed with, metres
    std::int32_t cells;  // cells (panels) of the whole boundary; 0 when meshing failed
    std::int32_t strip_cells;
    std::size_t working_set;     // bytes the solve holds at its peak; 0 when meshing failed
    double capacitances[2];      // C0, C in farads per metre of the problem solved, when ok
    double line_capacitances[2]; // C0, C of the line as entered (a microstrip with its plane)
    double z0_solver;            // Z0 of the problem solved
    double z0;                   // as printed, of the line as entered
};

// Everything one run produced, handed to the host just before the job releases it: the
// figures, and the charges, which the host may read during the call only.
struct calc_outcome : calc_figures {
    const charge_profile *charges; // null unless ok
};

// The window operations the job needs. The host carries each out on its own
// user-interface thread; the job waits for every one of them.
class calc_host {
  public:
    virtual ~calc_host() = default;
    virtual void set_calculate_enabled(bool enabled) = 0;
    virtual void append_line(const wchar_t *text) = 0;
    // True only for the plain checked state.
    virtual bool plot_box_checked() = 0;
    // Shows the charge plot and returns when the user has closed it.
    virtual void show_plot(const plot_request &request) = 0;
    // The mesh is made and the solve about to start: figures holds its cell counts and
    // working set. Hosts that tell of long solves before they start use it.
    virtual void meshed(const calc_figures &) {}
    // The run's results, before they are released. Hosts without use for them ignore it.
    virtual void finished(const calc_outcome &) {}
};

// An environment whose error and info slots both append their texts to the host's line
// output, as the result list receives every line of a run, with the memory ceiling, the
// threads, the test switches and the cancel flag of limits (its progress is not shown).
// Cannot fail.
calc_env calc_host_env(calc_host &host, const calc_env &limits = {});

// Formats one number into buffer (message_buffer_size wide characters, by
// format_message's rules) and appends the text as a line.
template <class Number>
void calc_host_line(calc_host &host, wchar_t *buffer, const wchar_t *format, Number value) {
    format_message(format, value, buffer);
    host.append_line(buffer);
}
