// The calculation job: from the seven parameters to the result lines. It resolves the
// two special inputs (an infinite bottom strip is a microstrip, solved by mirroring in
// the ground plane; an automatic overhang), builds the mesh, solves the line, writes the
// results and shows the charge plot. It reaches its window only through calc_host.
#pragma once

#include "core/base/params.h"
#include "core/dense/matrix.h"
#include "core/job/solver_variant.h"
#include "core/uniform/mesh.h"
#include "core/uniform/solver.h"

// What the plot window draws: the mesh and the slab problem's free charge per cell (for
// the accurate variant, the strips' panels seen from above). Borrowed from the job for as
// long as the window is open.
struct plot_request {
    const mesh_t *mesh;
    const md_t *free_charge;
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
    double capacitances[2];      // C0, C in farads per metre of the problem solved, when ok
    double line_capacitances[2]; // C0, C of the line as entered (a microstrip with its plane)
    double z0_solver;            // Z0 of the problem solved
    double z0;                   // as printed, of the line as entered
};

// Everything one run produced, handed to the host just before the job releases it: the
// figures, and the mesh and charges, which the host may read during the call only.
struct calc_outcome : calc_figures {
    const mesh_t *mesh; // what the plot shows; null when the mesh failed
    charge_pair vacuum; // null vectors unless ok
    charge_pair slab;   // null vectors unless ok
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
    // The run's results, before they are released. Hosts without use for them ignore it.
    virtual void finished(const calc_outcome &) {}
};

// One calculation on the calling thread, with params rewritten in place (w2, d and h
// for the microstrip, p for the automatic overhang). Ends with Calculate enabled
// whether the run succeeded or failed, and returns 0, the worker's exit code. The
// accurate variant keeps the microstrip as entered (its ground plane is solved by the
// mirror image in the kernel), resolves an automatic overhang to one that stands for an
// infinite slab, and adds one line saying which model it solves before the mesh lines.
int calc_thread(calc_host *host, calc_params *params,
                solver_variant variant = solver_variant::specified);
