// The desktop program's start and end: load the geometry drawing, run the main window
// until it is closed, and end the process without waiting for a running calculation.
#pragma once

#include <QApplication>
#include <QString>

#include <functional>

class calculator_dialog;

// The embedded geometry drawing.
extern const QString geometry_bitmap_resource;

// Runs the program with the drawing at bitmap_path. When the main window is closed the
// process ends with 0 (desktop_exit), before the window is destroyed. Returns 1 after
// the "Could not load resource" message when the drawing cannot be loaded.
// started, if given, runs once the main window is shown (tests drive the window there).
// design, if given, is a design file opened at once (a failure is shown, and the window
// starts with its start values).
int desktop_run(QApplication &app, const QString &bitmap_path,
                const std::function<void(calculator_dialog &)> &started = {},
                const QString &design = {});

// Ends the process at once with the code, without waiting for a calculation that may
// still be running or blocked in a request to the closed window.
[[noreturn]] void desktop_exit(int code);
