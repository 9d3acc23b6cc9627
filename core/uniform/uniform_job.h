// The specified variant's steps of one calculation: the microstrip fallback and the
// automatic overhang, the mesh of the strips and the bare faces, the solve, the result
// lines and the charges of every cell for the host.
#pragma once

#include "core/base/calc_host.h"

// Runs the steps on params (rewritten in place: w2, d and h for the microstrip, p for
// the automatic overhang), writing the lines through the host and filling outcome.
// Returns the slab problem's charges of every mesh cell, owned by the caller, or null
// when the mesh or the solve failed (reported). The modules it calls report, allocate
// and share their work through the process-wide environment, which this binds to env
// for the run: specified runs take their turn, one at a time in the process.
charge_profile *uniform_steps(calc_host &host, calc_params &params, calc_outcome &outcome,
                              const calc_env &env);
