// Helper threads for the matrix toolkit and the assembly.
#include "core/base/worker_pool.h"

#include "core/base/vector_state.h"

#include <algorithm>
#include <barrier>
#include <cstdlib>
#include <exception>
#include <latch>
#include <optional>
#include <thread>
#include <vector>

namespace {

int forced_from_environment() {
    const char *text = std::getenv("ORVANTA_THREADS");
    int threads = text ? std::atoi(text) : 0;
    return std::clamp(threads, 0, 64);
}

// A setting of the process's start, never changed afterwards.
const int forced_threads = forced_from_environment();

} // namespace

int worker_count(const calc_env &env, long long work) {
    // Below about a million element operations one thread finishes first.
    if (work < (1LL << 20)) return 1;
    if (env.threads > 0) return std::min(env.threads, 64);
    if (forced_threads > 0) return forced_threads;
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

void run_workers(const calc_env &env, int count,
                 const std::function<void(int, int, const std::function<void()> &)> &job) {
    // The helpers wait until the number that could be started is known: the shares are
    // split among the threads that exist, so one that cannot be started only costs time.
    std::latch go(1);
    std::optional<std::barrier<>> meeting;
    int started = 1;
    std::function<void()> sync = [&meeting] { meeting->arrive_and_wait(); };
    std::vector<std::thread> helpers;
    for (int i = 1; i < count && !(env.faults && env.faults->refuse_helpers.load()); ++i) {
        try {
            helpers.emplace_back([&, i] {
                clear_vector_upper_state();
                go.wait();
                job(i, started, sync);
            });
        } catch (const std::exception &) {
            break;
        }
    }
    started = int(helpers.size()) + 1;
    meeting.emplace(started);
    go.count_down();
    clear_vector_upper_state();
    job(0, started, sync);
    for (std::thread &helper : helpers)
        helper.join();
}
