// The three things every part of the calculator shares: the record of the seven
// calculation inputs, the two message sinks through which the core reports text, and
// the one formatting buffer with its one-value formatter.
#pragma once

#include <cstddef>

// The seven inputs of one calculation, lengths in metres, and the strip thickness of the
// accurate variant. -1 stands for INF (w2) or AUTO (p, mesh_step); the core treats any
// value <= 0 of these three as infinite or automatic.
struct calc_params {
    double w1;        // width of the top strip
    double w2;        // width of the bottom strip; <= 0 is an infinite ground plane
    double h;         // slab thickness, the distance between the two strip planes
    double d;         // offset of the top strip's centre right of the bottom strip's
    double epsilon_r; // relative permittivity of the slab
    double p;         // slab overhang beyond the outermost strip edge; <= 0 is automatic
    double mesh_step; // nominal cell width; <= 0 is automatic
    double t = 0;     // strip thickness; the zero-thickness strips of the mesh need 0
};

// A sink takes one zero-terminated wide text; what it does with it is the host's affair.
using message_sink = void (*)(const wchar_t *text);

enum message_slot { error_slot = 0, info_slot = 1 };

// Process-wide sink table. Both slots start as a sink that drops the text, and the host
// binds them once at start-up, before any calculation.
extern message_sink message_sinks[2];

// Binds info_sink and then error_sink. Cannot fail.
void sinks_bind(message_sink info, message_sink error);

// Send one text through slot 0 (failures, refusals) or slot 1 (progress and notes).
void error_sink(const wchar_t *text);
void info_sink(const wchar_t *text);

constexpr std::size_t message_buffer_size = 1000;

// The shared buffer of validation's field texts and of the job's formatted lines. Its
// two uses never overlap: Calculate stays disabled while a job runs.
extern wchar_t message_buffer[message_buffer_size];

// Formats exactly one value into message_buffer, never more than 1000 wide characters
// including the terminator, and always terminated. Numbers are written with the C
// locale's decimal point whatever locale the host runs in, so a result line reads the
// same on every desktop. Returns the formatter's result (negative when the text was cut).
int format_message(const wchar_t *format, int value);
int format_message(const wchar_t *format, double value);
