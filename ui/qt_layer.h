// The few window operations the calculator needs, met with Qt's own means: dialog-unit
// layout from a font and a font like the desktop's. The worker's requests to the
// user-interface thread have a file of their own (ui_requests.h).
#pragma once

#include "ui/painting/dialog_units.h"
#include "ui/ui_requests.h"

#include <QFont>
#include <QWidget>

// The font's average character width (the mean of the 52 Latin letters, rounded) and
// its line height, the bases of dialog units.
dialog_base_units font_base_units(const QFont &font);

// Places a child at a rectangle given in dialog units.
void place_in_dialog_units(QWidget *widget, pixel_rect units, dialog_base_units base);

// A font like the desktop's, at the point size a window template names.
QFont template_font(int point_size);
