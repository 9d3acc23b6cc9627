// Runs one job on every core at once: the calling thread and helper threads each take a
// share of the work, meeting at barriers between the steps that depend on each other.
#pragma once

#include "core/base/calc_env.h"

#include <functional>

// The number of threads a job of the given size (element operations) is worth in this
// environment: one thread for small work, where starting threads would cost more than it
// saves; for large work the environment's threads when it sets them, else the variable
// ORVANTA_THREADS of the process's start (so that the threaded paths run, and run under
// the thread checker, on any machine), else one per core. Cannot fail.
int worker_count(const calc_env &env, long long work);

// Calls job(index, count, sync) on count threads at once (index 0 on the caller) and
// returns when all have returned; sync() waits until every thread has reached it. When
// a helper thread cannot be started (or the environment's test switch refuses helpers)
// the job runs on fewer threads. Cannot fail.
void run_workers(const calc_env &env, int count,
                 const std::function<void(int, int, const std::function<void()> &)> &job);
