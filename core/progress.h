// Progress of the long phases of a calculation, for hosts that show it while a fine mesh
// is being solved. The core reports a fraction per row filled and per elimination step;
// the host decides how often it is worth showing.
#pragma once

enum class progress_phase { fill, invert };

// Receives the phase and the fraction of it done, in [0, 1]; called on the calculating
// threads (one of them at a time) and must return quickly.
using progress_sink = void (*)(progress_phase phase, double fraction);

// Binds the sink; null restores the one that drops every report. Cannot fail.
void progress_bind(progress_sink sink);

// Reports through the bound sink.
void progress_report(progress_phase phase, double fraction);
