// The C-locale scope: uselocale() is per thread, so the worker and the user-interface
// thread can format at the same time without touching the process's global locale.
#include "core/base/c_locale.h"

namespace {

locale_t c_locale() {
    // Created once and kept for the life of the process; newlocale of "C" cannot fail.
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

} // namespace

c_locale_scope::c_locale_scope() : previous_(uselocale(c_locale())) {}

c_locale_scope::~c_locale_scope() {
    uselocale(previous_);
}
