// The specified variant's text output: the two message sinks through which its modules
// report failures and progress (the slots of the environment bound for the process),
// and the one formatting buffer with its one-value formatter.
#pragma once

#include "core/base/calc_env.h"

#include <cstddef>

// Send one text through the error slot or the info slot of the bound environment.
void error_sink(const wchar_t *text);
void info_sink(const wchar_t *text);

constexpr std::size_t message_buffer_size = 1000;

// The buffer the specified job formats its result lines into; that job runs one at a
// time, so the buffer is never shared by two runs.
extern wchar_t message_buffer[message_buffer_size];

// Formats exactly one value into message_buffer (or into a buffer of the same size of
// the caller's own, for a run that is not the specified job's), never more than 1000
// wide characters including the terminator, and always terminated. Numbers are written
// with the C locale's decimal point whatever locale the host runs in, so a result line
// reads the same on every desktop. Returns the formatter's result (negative when the
// text was cut).
int format_message(const wchar_t *format, int value, wchar_t *into = message_buffer);
int format_message(const wchar_t *format, double value, wchar_t *into = message_buffer);
