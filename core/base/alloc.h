// Heap blocks of the calculator core. Every mesh, matrix and pivot list comes from here,
// so that one place decides when memory is refused: a request larger than the physical
// memory the machine has free fails at once (Linux would grant it and kill the process
// later), and tests can make the k-th request fail to drive every failure path.
#pragma once

#include <cstddef>

// A new uninitialised block of the given size, or null when it cannot be had. Release it
// with core_release.
void *core_alloc(std::size_t bytes);

// Releases a block from core_alloc. Null is accepted. Cannot fail.
void core_release(void *block);

// Whether a working set of the given size fits in the physical memory free now
// (MemAvailable of /proc/meminfo). True when the figure cannot be read.
bool core_memory_fits(std::size_t bytes);

// The memory a working set may take now: the ceiling when one is set, else MemAvailable
// of /proc/meminfo; 0 when the figure cannot be read.
std::size_t core_memory_available();

// A non-zero ceiling takes the place of the machine's free memory for every request,
// large or small, so that a study, a test or a fuzzer can bound the size of the problems
// it runs; 0 restores the real figure.
void core_memory_ceiling(std::size_t bytes);

// The ceiling in force, 0 for none, so that a caller can restore what it found.
std::size_t core_memory_ceiling_set();

// Test switch: the k-th call of core_alloc from now on (counted from 1) fails; 0 turns
// the switch off. Resets the count of calls.
void core_alloc_fail_at(long k);

// The number of core_alloc calls since the last core_alloc_fail_at.
long core_alloc_calls();

// The number of blocks handed out and not yet released.
long core_alloc_live();

// The largest number of bytes held in core blocks at once since the last reset, and the
// reset, which starts the count from what is held now. For measurements.
std::size_t core_alloc_peak_bytes();
void core_alloc_reset_peak();
