// The job around either variant's steps.
#include "core/job/calc_job.h"

#include "core/base/vector_state.h"
#include "core/graded/graded_job.h"
#include "core/uniform/uniform_job.h"

int calc_thread(calc_host *host, calc_params *params, solver_variant variant, const calc_env &env) {
    clear_vector_upper_state();
    host->set_calculate_enabled(false);
    calc_outcome outcome{};
    outcome.entered = *params;
    // The job owns the charges the steps hand out, released on leaving whatever happens.
    charge_profile_ptr charges(variant == solver_variant::accurate
                                   ? graded_steps(*host, *params, outcome, env)
                                   : uniform_steps(*host, *params, outcome, env));
    outcome.charges = charges.get();
    if (outcome.ok && host->plot_box_checked()) host->show_plot(plot_request{charges.get()});
    host->finished(outcome);
    charges.reset();
    host->set_calculate_enabled(true);
    return 0;
}
