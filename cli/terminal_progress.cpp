// The terminal progress line.
#include "terminal_progress.h"

#include "../core/progress.h"

#include <chrono>
#include <unistd.h>

namespace {

using clock_type = std::chrono::steady_clock;

std::FILE *shown_on = nullptr;
clock_type::time_point started;
int last_percent = -1;
progress_phase last_phase = progress_phase::fill;
bool written = false;

void show(progress_phase phase, double fraction) {
    int percent = int(fraction * 100);
    if (percent == last_percent && phase == last_phase) return;
    if (clock_type::now() - started < std::chrono::seconds(1)) return;
    last_percent = percent;
    last_phase = phase;
    const char *name = phase == progress_phase::fill ? "Filling matrix" : "Inverting matrix";
    std::fprintf(shown_on, "\r%s %3d%%", name, percent);
    std::fflush(shown_on);
    written = true;
}

} // namespace

terminal_progress::terminal_progress(std::FILE *stream) {
    if (!isatty(fileno(stream))) return;
    shown_on = stream;
    started = clock_type::now();
    last_percent = -1;
    written = false;
    progress_bind(show);
}

void terminal_progress::erase() {
    if (!shown_on || !written) return;
    std::fputs("\r\033[K", shown_on);
    std::fflush(shown_on);
    written = false;
    last_percent = -1;
}

terminal_progress::~terminal_progress() {
    if (!shown_on) return;
    progress_bind(nullptr);
    erase();
    shown_on = nullptr;
}
