// Painting of the geometry picture.
#include "geometry_picture.h"

#include "drawing_placement.h"

#include <QPainter>

geometry_picture::geometry_picture(const QPixmap &bitmap, QWidget *parent)
    : QWidget(parent), bitmap_(bitmap) {}

void geometry_picture::paintEvent(QPaintEvent *) {
    pixel_rect r = picture_rect(width(), height(), bitmap_.width(), bitmap_.height());
    if (r.width <= 0 || r.height <= 0) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(QRect(r.x, r.y, r.width, r.height), bitmap_);
}
