// The calculation job: from the seven parameters to the result lines, with either
// variant. It resolves the line's special inputs through the variant's steps, writes
// the results, shows the charge plot and releases everything; it reaches its window
// only through calc_host, and takes its environment from the caller.
#pragma once

#include "core/base/calc_host.h"
#include "core/job/solver_variant.h"

// One calculation on the calling thread, with params rewritten in place (w2, d and h
// for the microstrip, p for the automatic overhang). Ends with Calculate enabled
// whether the run succeeded or failed, and returns 0, the worker's exit code. The
// accurate variant keeps the microstrip as entered (its ground plane is solved by the
// mirror image in the kernel), resolves an automatic overhang to one that stands for an
// infinite slab, and adds one line saying which model it solves before the mesh lines.
// The variants' modules report, allocate and share out their work as env says.
int calc_thread(calc_host *host, calc_params *params, solver_variant variant, const calc_env &env);
