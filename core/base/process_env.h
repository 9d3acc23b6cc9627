// The environment of the specified variant's modules. The mesh, the matrix toolkit and
// the solver keep the C interfaces of their design, which take no environment record:
// they report, allocate and share out their work through the one environment bound for
// the process. The specified job binds its run's record here for the length of the run
// and runs one at a time (its text buffer, message_buffer, is process-wide as well);
// tests bind their own. Until something is bound, texts and progress are dropped and
// memory is limited only by the machine.
#pragma once

#include "core/base/calc_env.h"

// The environment bound now. Cannot fail.
const calc_env &process_env();

// Binds the record for its lifetime, then restores the binding it found. The record
// must outlive the binding.
class process_env_binding {
  public:
    explicit process_env_binding(const calc_env &env);
    ~process_env_binding();
    process_env_binding(const process_env_binding &) = delete;
    process_env_binding &operator=(const process_env_binding &) = delete;

  private:
    const calc_env *saved_;
};

// Reports the fraction done of a phase through the bound environment. Cannot fail.
void progress_report(progress_phase phase, double fraction);
