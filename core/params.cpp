// The message sinks, the shared formatting buffer and the one-value formatter.
#include "params.h"

#include "c_locale.h"

#include <cstdarg>
#include <cwchar>

namespace {

void drop_text(const wchar_t *) {}

int format_one(const wchar_t *format, ...) {
    c_locale_scope numbers_in_c_locale;
    std::va_list args;
    va_start(args, format);
    int result = std::vswprintf(message_buffer, message_buffer_size, format, args);
    va_end(args);
    // vswprintf leaves the buffer's end unspecified when the text does not fit.
    message_buffer[message_buffer_size - 1] = L'\0';
    return result;
}

} // namespace

message_sink message_sinks[2] = {drop_text, drop_text};

wchar_t message_buffer[message_buffer_size];

void sinks_bind(message_sink info, message_sink error) {
    message_sinks[info_slot] = info;
    message_sinks[error_slot] = error;
}

void error_sink(const wchar_t *text) {
    message_sinks[error_slot](text);
}

void info_sink(const wchar_t *text) {
    message_sinks[info_slot](text);
}

int format_message(const wchar_t *format, int value) {
    return format_one(format, value);
}

int format_message(const wchar_t *format, double value) {
    return format_one(format, value);
}
