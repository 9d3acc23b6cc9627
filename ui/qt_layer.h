// The few window operations the calculator needs, met with Qt's own means: synchronous
// requests from the worker to the user-interface thread, dialog-unit layout from a
// font, and the "checked alone" state of a check box.
#pragma once

#include "dialog_units.h"

#include <QFont>
#include <QObject>
#include <QWidget>

#include <functional>

// Runs the request on the thread that owns context and returns when it has run; on
// that thread itself it runs at once. The caller's data stays valid for the request.
void run_on_ui_thread(QObject *context, const std::function<void()> &request);

// The font's average character width (the mean of the 52 Latin letters, rounded) and
// its line height, the bases of dialog units.
dialog_base_units font_base_units(const QFont &font);

// Places a child at a rectangle given in dialog units.
void place_in_dialog_units(QWidget *widget, pixel_rect units, dialog_base_units base);

// A font like the desktop's, at the point size a window template names.
QFont template_font(int point_size);
