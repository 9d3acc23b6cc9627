// Test support: the desktop program's settings in a directory of this test process's
// own, created empty and removed at its end, so that no test reads what a user, an
// earlier run or a test running beside it wrote.
#pragma once

#include <QSettings>
#include <QTemporaryDir>

// Points the program's settings at a fresh directory for the rest of the process.
inline void use_own_settings() {
    static QTemporaryDir directory;
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, directory.path());
}
