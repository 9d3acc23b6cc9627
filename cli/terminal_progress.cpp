// The terminal progress line.
#include "cli/terminal_progress.h"

#include <unistd.h>

void terminal_progress::show(void *self, progress_phase phase, double fraction) {
    auto &p = *static_cast<terminal_progress *>(self);
    int percent = int(fraction * 100);
    if (percent == p.last_percent_ && phase == p.last_phase_) return;
    if (std::chrono::steady_clock::now() - p.started_ < std::chrono::seconds(1)) return;
    p.last_percent_ = percent;
    p.last_phase_ = phase;
    const char *name = phase == progress_phase::fill ? "Filling matrix" : "Inverting matrix";
    std::fprintf(p.shown_on_, "\r%s %3d%%", name, percent);
    std::fflush(p.shown_on_);
    p.written_ = true;
}

terminal_progress::terminal_progress(std::FILE *stream, calc_env &env) {
    if (!isatty(fileno(stream))) return;
    shown_on_ = stream;
    started_ = std::chrono::steady_clock::now();
    env_ = &env;
    env.progress = show;
    env.progress_context = this;
}

void terminal_progress::erase() {
    if (!shown_on_ || !written_) return;
    std::fputs("\r\033[K", shown_on_);
    std::fflush(shown_on_);
    written_ = false;
    last_percent_ = -1;
}

terminal_progress::~terminal_progress() {
    if (env_) env_->progress = nullptr;
    erase();
}
