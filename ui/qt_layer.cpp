// Qt means for the calculator's window operations.
#include "ui/qt_layer.h"

#include <QApplication>
#include <QFontMetrics>

dialog_base_units font_base_units(const QFont &font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

void place_in_dialog_units(QWidget *widget, pixel_rect units, dialog_base_units base) {
    pixel_rect r = dialog_to_pixels(units, base);
    widget->setGeometry(r.x, r.y, r.width, r.height);
}

QFont template_font(int point_size) {
    QFont font = QApplication::font();
    font.setPointSize(point_size);
    return font;
}
