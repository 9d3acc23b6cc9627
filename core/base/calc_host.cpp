// The host's line output as an environment's sinks.
#include "core/base/calc_host.h"

namespace {

void to_host(void *host, const wchar_t *text) {
    static_cast<calc_host *>(host)->append_line(text);
}

} // namespace

calc_env calc_host_env(calc_host &host, const calc_env &limits) {
    calc_env env = limits;
    env.sinks = {to_host, to_host, &host};
    env.progress = nullptr;
    env.progress_context = nullptr;
    return env;
}
