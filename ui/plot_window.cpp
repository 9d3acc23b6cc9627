// The "Free Charge Density" window: the chart redrawn at every paint.
#include "ui/plot_window.h"

#include "ui/painting/charge_chart.h"
#include "ui/qt_layer.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>
#include <iterator>

namespace {

// The colours of the conductors' curves: the bars' red and blue first.
QColor curve_colour(int conductor) {
    static const QColor colours[] = {QColor(220, 0, 0), QColor(0, 0, 220), QColor(0, 140, 0),
                                     QColor(160, 0, 160), QColor(200, 120, 0)};
    if (conductor < 0) return QColor(80, 80, 80);
    return colours[std::size_t(conductor) % std::size(colours)];
}

} // namespace

plot_window::plot_window(const plot_request &request, length_unit unit, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      request_(request) {
    setWindowTitle(QStringLiteral("Free Charge Density"));
    setWindowModality(Qt::WindowModal);
    QFont font = template_font(8);
    setFont(font);
    if (request.charges->flat) {
        pixel_rect size = dialog_to_pixels({0, 0, 316, 185}, font_base_units(font));
        resize(size.width, size.height);
        return;
    }
    panes_ = charge_panes(*request.charges, length_unit_mm(unit),
                          QString::fromWCharArray(length_unit_label(unit)).toStdString());
    resize(760, 560);
}

void plot_window::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (panes_.empty()) {
        paint_bars(painter);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    double height_each = double(height()) / double(panes_.size());
    for (std::size_t i = 0; i < panes_.size(); ++i)
        paint_pane(painter, panes_[i], QRectF(0, height_each * double(i), width(), height_each));
}

// The pane's frame with its ticks and labels, a zero line, and each curve, its clipped
// points marked by a triangle at the edge they were drawn at.
void plot_window::paint_pane(QPainter &painter, const charge_pane &pane, QRectF area) {
    QFontMetricsF metrics(font());
    double line = metrics.height();
    QRectF plot =
        area.adjusted(7 * metrics.averageCharWidth() + line, 1.5 * line, -line, -2.6 * line);
    if (plot.width() <= 0 || plot.height() <= 0) return;
    auto px = [&](double v) {
        return plot.left() + (v - pane.x.low) / (pane.x.high - pane.x.low) * plot.width();
    };
    auto py = [&](double v) {
        return plot.bottom() - (v - pane.y.low) / (pane.y.high - pane.y.low) * plot.height();
    };
    // Ticks at whole multiples of the spacing, so that zero reads 0.
    auto ticks = [](const plot_axis &axis) {
        std::vector<double> at;
        for (double k = std::round(axis.low / axis.tick);
             k * axis.tick <= axis.high * (1 + 1e-12) + axis.tick * 1e-9; ++k)
            at.push_back(k * axis.tick);
        return at;
    };
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    for (double t : ticks(pane.x)) {
        painter.drawLine(QPointF(px(t), plot.top()), QPointF(px(t), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(px(t) - 40, plot.bottom() + 2, 80, line),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(t, 'g', 6));
        painter.setPen(QPen(QColor(200, 200, 200), 1));
    }
    for (double t : ticks(pane.y)) {
        painter.drawLine(QPointF(plot.left(), py(t)), QPointF(plot.right(), py(t)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), py(t) - line / 2, plot.left() - area.left() - 4, line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(t, 'g', 6));
        painter.setPen(QPen(QColor(200, 200, 200), 1));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(plot);
    painter.drawLine(QPointF(plot.left(), py(0)), QPointF(plot.right(), py(0)));
    painter.drawText(QRectF(plot.left(), area.top(), plot.width(), 1.4 * line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(pane.title + "; " + pane.y_label));
    painter.drawText(QRectF(plot.left(), plot.bottom() + line, plot.width(), 1.4 * line),
                     Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(pane.x_label));
    for (const charge_curve &curve : pane.curves) {
        QColor colour = curve_colour(curve.conductor);
        painter.setPen(QPen(colour, 1.5));
        QPolygonF points;
        for (std::size_t k = 0; k < curve.x.size(); ++k)
            points << QPointF(px(curve.x[k]), py(curve.y[k]));
        painter.save();
        painter.setClipRect(plot.adjusted(-1, -8, 1, 8));
        painter.drawPolyline(points);
        painter.setBrush(colour);
        for (std::size_t k = 0; k < curve.x.size(); ++k) {
            if (!curve.clipped[k]) continue;
            QPointF at = points[int(k)];
            double up = curve.y[k] > 0 ? -1 : 1;
            painter.drawPolygon(
                QPolygonF({at, at + QPointF(-4, -7 * up), at + QPointF(4, -7 * up)}));
        }
        painter.restore();
    }
}

void plot_window::paint_bars(QPainter &painter) {
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
