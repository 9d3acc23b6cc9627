// The environment's sinks and flags.
#include "core/base/calc_env.h"

void env_error(const calc_env &env, const wchar_t *text) {
    if (env.sinks.error) env.sinks.error(env.sinks.context, text);
}

void env_info(const calc_env &env, const wchar_t *text) {
    if (env.sinks.info) env.sinks.info(env.sinks.context, text);
}

void env_progress(const calc_env &env, progress_phase phase, double fraction) {
    if (env.progress) env.progress(env.progress_context, phase, fraction);
}

bool env_cancelled(const calc_env &env) {
    return env.cancel && env.cancel->load(std::memory_order_relaxed);
}
