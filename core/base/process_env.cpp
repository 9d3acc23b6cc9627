// The process-wide binding of the specified variant's environment.
#include "core/base/process_env.h"

#include <atomic>

namespace {

const calc_env unbound{};

// Written by a binding before its run starts its threads, read by them during the run.
std::atomic<const calc_env *> bound{&unbound};

} // namespace

const calc_env &process_env() {
    return *bound.load(std::memory_order_acquire);
}

process_env_binding::process_env_binding(const calc_env &env) : saved_(bound.load()) {
    bound.store(&env, std::memory_order_release);
}

process_env_binding::~process_env_binding() {
    bound.store(saved_, std::memory_order_release);
}

void progress_report(progress_phase phase, double fraction) {
    env_progress(process_env(), phase, fraction);
}
