// The message sinks, the shared formatting buffer and the one-value formatter.
#include "core/base/messages.h"

#include "core/base/c_locale.h"
#include "core/base/process_env.h"

#include <cstdarg>
#include <cwchar>

namespace {

int format_one(wchar_t *buffer, const wchar_t *format, ...) {
    c_locale_scope numbers_in_c_locale;
    std::va_list args;
    va_start(args, format);
    int result = std::vswprintf(buffer, message_buffer_size, format, args);
    va_end(args);
    // vswprintf leaves the buffer's end unspecified when the text does not fit.
    buffer[message_buffer_size - 1] = L'\0';
    return result;
}

} // namespace

wchar_t message_buffer[message_buffer_size];

void error_sink(const wchar_t *text) {
    env_error(process_env(), text);
}

void info_sink(const wchar_t *text) {
    env_info(process_env(), text);
}

int format_message(const wchar_t *format, int value, wchar_t *into) {
    return format_one(into, format, value);
}

int format_message(const wchar_t *format, double value, wchar_t *into) {
    return format_one(into, format, value);
}
