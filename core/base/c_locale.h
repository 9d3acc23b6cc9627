// A scope in which the calling thread formats numbers in the C locale. Desktop toolkits
// switch the process to the user's locale, which would turn "50.901002" into
// "50,901002"; the calculator's lines and diagnostics never change with the desktop.
#pragma once

#include <locale.h>

class c_locale_scope {
  public:
    c_locale_scope();
    ~c_locale_scope();
    c_locale_scope(const c_locale_scope &) = delete;
    c_locale_scope &operator=(const c_locale_scope &) = delete;

  private:
    locale_t previous_;
};
