// Progress of a long calculation on a terminal: one line on standard error, rewritten in
// place, never mixed into the result lines on standard output, and only once the
// calculation has taken more than a second.
#pragma once

#include "core/base/calc_env.h"

#include <chrono>
#include <cstdio>

// While alive, shows the progress of the runs of env on stream if it is a terminal (env
// then reports to it); erases the line and unhooks itself from env when it ends.
class terminal_progress {
  public:
    terminal_progress(std::FILE *stream, calc_env &env);
    ~terminal_progress();
    terminal_progress(const terminal_progress &) = delete;
    terminal_progress &operator=(const terminal_progress &) = delete;

    // Erases the progress line, if one is shown, so that a result line printed to the
    // same terminal starts on a clean line; the next report draws it again.
    void erase();

  private:
    static void show(void *self, progress_phase phase, double fraction);

    std::FILE *shown_on_ = nullptr; // null: not a terminal, nothing is shown
    std::chrono::steady_clock::time_point started_;
    int last_percent_ = -1;
    progress_phase last_phase_ = progress_phase::fill;
    bool written_ = false;
    calc_env *env_ = nullptr; // the environment reporting here, while shown
};
