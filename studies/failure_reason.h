// A run's environment that keeps the reason of a failure instead of printing it: the
// last error line that says more than that the calculation failed, for a study or a
// window to show beside its own verdict.
#pragma once

#include "core/base/calc_env.h"

#include <string>

struct failure_reason {
    std::wstring last;

    // The environment with its message sinks bound to this record (which must outlive
    // the run); everything else as given.
    calc_env quiet(const calc_env &env);
};
