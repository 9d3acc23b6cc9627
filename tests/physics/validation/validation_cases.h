// The cross-sections on which the accurate variant is compared with the finite-volume
// solution, as the field texts a study takes.
#pragma once

#include "studies/study.h"
#include "tests/physics/validation/fd_solver.h"

struct validation_case {
    const char *name;
    fd_case line; // metres
};

// The line as the study's field texts (millimetres, the thickness last).
inline field_texts texts_of(const fd_case &line) {
    auto mm = [](double metres) { return study_value_text(metres * 1000); };
    return {mm(line.w1),
            line.microstrip ? L"INF" : mm(line.w2),
            mm(line.h),
            mm(line.d),
            study_value_text(line.eps_r),
            mm(line.p),
            L"AUTO",
            mm(line.t)};
}
