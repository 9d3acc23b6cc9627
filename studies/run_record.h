// The JSON record of one calculation, as orvanta-cli --json prints it and the desktop
// program exports it: the run's lines, then the line as the user entered it (a
// microstrip with its own h, C and C0) with the overhang and mesh step resolved, and for
// a microstrip that was solved as its mirrored pair, that pair under its own key.
#pragma once

#include "core/base/calc_host.h"
#include "core/job/solver_variant.h"

#include <string>
#include <vector>

// figures: null when the run never reached the job (its numbers are then null).
std::string run_record_json(const std::vector<std::wstring> &lines, const calc_figures *figures,
                            solver_variant variant);
