// What the inversion's pivot search cost, summed over every inversion since the last
// reset, for measurements: the steps, the row sums computed exactly (the other
// candidates were ruled out by their bounds), the steps whose many contenders were
// summed by one pass over the active columns instead, and the blocks of deferred steps.
#pragma once

struct inverse_statistics {
    long long steps;
    long long exact_sums;
    long long full_sweeps;
    long long blocks;
};

// The counts so far. Cannot fail.
inverse_statistics inverse_statistics_get();

// Starts the counts from zero. Cannot fail.
void inverse_statistics_reset();
