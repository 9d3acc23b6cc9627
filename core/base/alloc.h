// Heap blocks of the calculator core, and the one rule both engines allocate by: every
// block whose size grows with the problem comes from core_alloc, under the memory budget
// and the test switch of the run's environment, so that one place decides when memory
// is refused. A request larger than the physical memory the machine has free fails at
// once (Linux would grant it and kill the process later), and a test can make the k-th
// request fail to drive every failure path.
//
// The uniform variant's C modules take core_alloc's null and report it. The graded
// engine keeps its arrays in containers whose allocator is core_alloc (env_vector.h):
// there a refused block throws std::bad_alloc, which never leaves the engine, whose
// entry points catch it and report the failure like any other (null or -1.0).
#pragma once

#include "core/base/calc_env.h"

#include <cstddef>
#include <cstdint>

// A new uninitialised block of the given size, or null when the environment's budget or
// test switch refuses it or the system has none. Release it with core_release.
void *core_alloc(const calc_env &env, std::size_t bytes);

// Releases a block from core_alloc. Null is accepted. Cannot fail.
void core_release(void *block);

// Whether a working set of the given size fits the environment's budget: its ceiling
// when one is set, else the physical memory free now (MemAvailable of /proc/meminfo;
// true when that cannot be read).
bool core_memory_fits(const calc_env &env, std::size_t bytes);

// The memory a working set may take now: the ceiling when one is set, else MemAvailable;
// 0 when the figure cannot be read.
std::size_t core_memory_available(const calc_env &env);

// Reports through the environment's error slot that a mesh of this many cells needs
// more memory than it may take: "Mesh too large: its N cells need X MB of memory, Y MB
// can be had now", Y being the share of the memory available that a solve may take.
// Cannot fail.
void core_report_too_large(const calc_env &env, std::int32_t cells, std::size_t needed);

// The share of the memory available that one solve may take; the rest is the margin
// for the program itself and whatever else the machine runs.
constexpr double core_solve_share = 0.8;

// Measurements over the whole process, for tests and the benchmark: the blocks handed
// out and not yet released; the largest number of bytes held at once since the last
// reset, and the reset, which starts the count from what is held now.
long core_alloc_live();
std::size_t core_alloc_peak_bytes();
void core_alloc_reset_peak();
