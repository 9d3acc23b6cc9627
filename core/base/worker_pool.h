// Runs one job on every core at once: the calling thread and helper threads each take a
// share of the work, meeting at barriers between the steps that depend on each other.
#pragma once

#include <functional>

// The number of threads a job of the given size (element operations) is worth: all cores for large
// work, one thread for small work, where starting threads would cost more than it saves.
int worker_count(long long work);

// Caps worker_count at max_threads (0: all cores), for measurements. Cannot fail.
void worker_pool_limit(int max_threads);

// Forces worker_count to this many threads for every job worth more than one, whatever
// the cores (0: the cores decide), so that the threaded paths run, and run under the
// thread checker, on any machine. The environment variable ORVANTA_THREADS sets it at
// start-up. Cannot fail.
void worker_pool_force(int threads);

// Test switch: while set, no helper thread can be started, as when the system refuses
// one; jobs then run on the calling thread alone. Cannot fail.
void worker_pool_refuse_helpers(bool refuse);

// Calls job(index, count, sync) on count threads at once (index 0 on the caller) and
// returns when all have returned; sync() waits until every thread has reached it. When
// a helper thread cannot be started the job runs on fewer threads. Cannot fail.
void run_workers(int count,
                 const std::function<void(int, int, const std::function<void()> &)> &job);
