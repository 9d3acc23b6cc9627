// The progress sink.
#include "progress.h"

#include <atomic>

namespace {

void drop_progress(progress_phase, double) {}

std::atomic<progress_sink> bound{drop_progress};

} // namespace

void progress_bind(progress_sink sink) {
    bound = sink ? sink : drop_progress;
}

void progress_report(progress_phase phase, double fraction) {
    bound.load(std::memory_order_relaxed)(phase, fraction);
}
