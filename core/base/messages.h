// The core's text output: the two message sinks through which it reports failures and
// progress, bound by the host together with a context pointer of its own, and the one
// formatting buffer with its one-value formatter.
#pragma once

#include <cstddef>

// A sink takes the context it was bound with and one zero-terminated wide text; what it
// does with them is the host's affair.
using message_sink = void (*)(void *context, const wchar_t *text);

// The two slots, failures and refusals (error) and progress and notes (info), with the
// context both are called with.
struct message_sinks {
    message_sink error;
    message_sink info;
    void *context;
};

// Binds the sinks for its lifetime and then restores the binding it found, so a study
// or a test can take the output over and hand it back on every path. Before any binding
// both slots drop their texts. Bindings are made on one thread, before the calculations
// that report through them start.
class sinks_binding {
  public:
    sinks_binding(message_sink info, message_sink error, void *context);
    ~sinks_binding();
    sinks_binding(const sinks_binding &) = delete;
    sinks_binding &operator=(const sinks_binding &) = delete;

  private:
    message_sinks saved_;
};

// Send one text through the error slot or the info slot.
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
