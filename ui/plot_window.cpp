// The "Free Charge Density" window: the chart redrawn at every paint.
#include "ui/plot_window.h"

#include "ui/painting/charge_chart.h"
#include "ui/qt_layer.h"

#include <QKeyEvent>
#include <QPainter>

plot_window::plot_window(const plot_request &request, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      request_(request) {
    setWindowTitle(QStringLiteral("Free Charge Density"));
    setWindowModality(Qt::WindowModal);
    QFont font = template_font(8);
    setFont(font);
    pixel_rect size = dialog_to_pixels({0, 0, 316, 185}, font_base_units(font));
    resize(size.width, size.height);
}

void plot_window::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    for (const chart_bar &bar : chart_bars(width(), height(), request_)) {
        // A negative value's bar runs from the zero line down to its value.
        int top = std::min(bar.top, bar.bottom);
        int bottom = std::max(bar.top, bar.bottom);
        QColor colour = bar.colour == bar_colour::red ? QColor(255, 0, 0) : QColor(0, 0, 255);
        painter.fillRect(QRect(bar.left, top, bar.right - bar.left, bottom - top), colour);
    }
}

void plot_window::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}
