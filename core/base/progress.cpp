// The progress sink.
#include "core/base/progress.h"

namespace {

void drop_progress(void *, progress_phase, double) {}

// The binding in force; changed only through progress_binding.
progress_sink bound_sink = drop_progress;
void *bound_context = nullptr;

} // namespace

progress_binding::progress_binding(progress_sink sink, void *context)
    : saved_sink_(bound_sink), saved_context_(bound_context) {
    bound_sink = sink;
    bound_context = context;
}

progress_binding::~progress_binding() {
    bound_sink = saved_sink_;
    bound_context = saved_context_;
}

void progress_report(progress_phase phase, double fraction) {
    bound_sink(bound_context, phase, fraction);
}
