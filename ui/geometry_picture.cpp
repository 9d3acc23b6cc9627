// Painting of the geometry picture.
#include "ui/geometry_picture.h"

#include "input/number_syntax.h"
#include "ui/painting/drawing_placement.h"

#include <QPainter>

geometry_picture::geometry_picture(const QPixmap &bitmap, QWidget *parent)
    : QWidget(parent), bitmap_(bitmap) {}

void geometry_picture::set_thickness(const QString &text) {
    std::optional<double> value = number_finite(text.toStdWString());
    bool thick = value && *value > 0;
    if (thick == thick_) return;
    thick_ = thick;
    update();
}

void geometry_picture::paintEvent(QPaintEvent *) {
    pixel_rect r = picture_rect(width(), height(), bitmap_.width(), bitmap_.height());
    if (r.width <= 0 || r.height <= 0) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(QRect(r.x, r.y, r.width, r.height), bitmap_);
    if (!thick_) return;
    // The drawing's strips are 7 units high on the slab's faces (top strip 236..332 above
    // y 88, bottom strip 48..176 below y 140); thick strips grow away from the slab, and
    // a dimension on the top strip's left names their thickness.
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.save();
    painter.translate(r.x, r.y);
    painter.scale(double(r.width) / bitmap_.width(), double(r.height) / bitmap_.height());
    painter.fillRect(QRectF(236, 74, 96, 14), Qt::black);
    painter.fillRect(QRectF(48, 140, 128, 14), Qt::black);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawLine(QLineF(212, 74, 234, 74));
    painter.drawLine(QLineF(212, 88, 234, 88));
    // Arrows from outside, as the drawing's other dimensions that are too small for both.
    painter.drawLine(QLineF(222, 60, 222, 74));
    painter.drawLine(QLineF(222, 88, 222, 102));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawPolygon(QPolygonF({QPointF(222, 74), QPointF(218, 66), QPointF(226, 66)}));
    painter.drawPolygon(QPolygonF({QPointF(222, 88), QPointF(218, 96), QPointF(226, 96)}));
    painter.setPen(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    painter.setFont(font);
    painter.drawText(QPointF(200, 72), QStringLiteral("t"));
    painter.restore();
}
