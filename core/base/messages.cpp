// The message sinks, the shared formatting buffer and the one-value formatter.
#include "core/base/messages.h"

#include "core/base/c_locale.h"

#include <cstdarg>
#include <cwchar>

namespace {

void drop_text(void *, const wchar_t *) {}

// The binding in force; hosts change it only through sinks_binding.
message_sinks bound{drop_text, drop_text, nullptr};

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

wchar_t message_buffer[message_buffer_size];

sinks_binding::sinks_binding(message_sink info, message_sink error, void *context) : saved_(bound) {
    bound = {error, info, context};
}

sinks_binding::~sinks_binding() {
    bound = saved_;
}

void error_sink(const wchar_t *text) {
    bound.error(bound.context, text);
}

void info_sink(const wchar_t *text) {
    bound.info(bound.context, text);
}

int format_message(const wchar_t *format, int value) {
    return format_one(format, value);
}

int format_message(const wchar_t *format, double value) {
    return format_one(format, value);
}
