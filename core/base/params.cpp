// The automatic step of a line and the solvers' failure value.
#include "core/base/params.h"

#include <cmath>

double params_auto_step(double w1, double w2, double h) {
    return std::fmin(0.15 * h, 0.025 * (w1 + w2));
}

double calc_failed(const calc_env &env) {
    env_info(env, calc_failed_text);
    return -1.0;
}

double calc_cancelled(const calc_env &env) {
    env_info(env, calc_cancelled_text);
    return -1.0;
}
