// Progress of the long phases of a calculation, for hosts that show it while a fine mesh
// is being solved. The core reports a fraction per row filled and per elimination step;
// the host decides how often it is worth showing.
#pragma once

enum class progress_phase { fill, invert };

// Receives the context it was bound with, the phase and the fraction of it done, in
// [0, 1]; called on the calculating threads (one of them at a time) and must return
// quickly.
using progress_sink = void (*)(void *context, progress_phase phase, double fraction);

// Binds the sink and its context for its lifetime, then restores the binding it found.
// Before any binding reports are dropped. Bound while no calculation runs.
class progress_binding {
  public:
    progress_binding(progress_sink sink, void *context);
    ~progress_binding();
    progress_binding(const progress_binding &) = delete;
    progress_binding &operator=(const progress_binding &) = delete;

  private:
    progress_sink saved_sink_;
    void *saved_context_;
};

// Reports through the bound sink.
void progress_report(progress_phase phase, double fraction);
