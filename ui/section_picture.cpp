// Painting a cross-section: a transform from the section's window to the target that
// keeps its proportions, then the layers, planes, conductors and marks in that order.
#include "ui/section_picture.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor copper(184, 115, 51);
const QColor copper_edge(120, 70, 25);
const QColor air(250, 251, 253);

// The fill of a dielectric of the given permittivity: the k-th distinct value of the
// section takes the k-th colour.
QColor dielectric_colour(const cross_section &section, double epsilon_r) {
    static const QColor palette[] = {QColor(214, 226, 170), QColor(190, 214, 232),
                                     QColor(120, 178, 120), QColor(230, 205, 160),
                                     QColor(200, 190, 225)};
    std::vector<double> seen;
    if (section.background_epsilon_r != 1) seen.push_back(section.background_epsilon_r);
    for (const xs_dielectric &d : section.dielectrics) {
        if (std::find(seen.begin(), seen.end(), d.epsilon_r) == seen.end())
            seen.push_back(d.epsilon_r);
    }
    auto at = std::find(seen.begin(), seen.end(), epsilon_r) - seen.begin();
    return palette[std::size_t(at) % std::size(palette)];
}

QPolygonF polygon(const section_frame &f, const std::vector<xs_point> &outline) {
    QPolygonF out;
    for (xs_point p : outline)
        out << f.at(p);
    return out;
}

void paint_mark(QPainter &painter, const section_frame &f, const section_mark &m, bool labels) {
    QPointF a = f.at(m.from), b = f.at(m.to);
    QPointF out(m.outward.x, -m.outward.y);
    QPointF shift = out * 10.0;
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.drawLine(a, a + shift * 1.3);
    painter.drawLine(b, b + shift * 1.3);
    QLineF line(a + shift, b + shift);
    painter.drawLine(line);
    // Arrow heads pointing outwards to the extension lines.
    for (const auto &[tip, dir] : {std::pair{line.p1(), line.p1() - line.p2()},
                                   std::pair{line.p2(), line.p2() - line.p1()}}) {
        double length = std::hypot(dir.x(), dir.y());
        if (!(length > 8)) continue;
        QPointF u = dir / length, n(-u.y(), u.x());
        painter.drawLine(tip, tip - u * 5 + n * 2.5);
        painter.drawLine(tip, tip - u * 5 - n * 2.5);
    }
    if (!labels) return;
    QString text = QString::fromStdWString(m.label);
    QFontMetricsF metrics(painter.font());
    QSizeF size(metrics.horizontalAdvance(text) + 4, metrics.height());
    QPointF centre =
        line.center() + out * (size.height() * 0.5 + 2) + QPointF(out.x() * size.width() * 0.5, 0);
    QRectF where(centre - QPointF(size.width() / 2, size.height() / 2), size);
    painter.fillRect(where, QColor(255, 255, 255, 200));
    painter.drawText(where, Qt::AlignCenter, text);
}

} // namespace

section_frame section_frame_in(const cross_section &section, const QRectF &target, bool labels) {
    section_box b = section_view_box(section);
    // Room for the marks' labels around the drawing.
    QRectF inner = labels ? target.adjusted(60, 28, -60, -28) : target.adjusted(2, 2, -2, -2);
    if (inner.width() < 10 || inner.height() < 10) inner = target;
    double w = b.right - b.left, h = b.top - b.bottom;
    double scale = std::min(inner.width() / w, inner.height() / h);
    return {b, scale, inner.center().x() - scale * w / 2, inner.center().y() + scale * h / 2};
}

void paint_section(QPainter &painter, const QRectF &target, const cross_section &section,
                   const std::vector<section_mark> &marks, bool labels, section_fill fill) {
    section_frame f = section_frame_in(section, target, labels);
    const section_box &box = f.box;
    if (!(f.scale > 0 && std::isfinite(f.scale))) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF clip = f.clip();
    bool solid = fill == section_fill::solid;
    if (solid) {
        painter.fillRect(clip, section.background_epsilon_r != 1
                                   ? dielectric_colour(section, section.background_epsilon_r)
                                   : air);
    }
    painter.setClipRect(clip);
    painter.setPen(QPen(QColor(90, 90, 90), solid ? 0.8 : 1.2));
    for (const xs_dielectric &d : section.dielectrics) {
        if (solid)
            painter.setBrush(dielectric_colour(section, d.epsilon_r));
        else
            painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(polygon(f, d.outline));
    }
    painter.setPen(QPen(copper_edge, 1));
    painter.setBrush(copper);
    // The planes fill the window below y = 0 and above the upper height.
    if (section.ground_plane) {
        double y0 = f.at({box.left, 0}).y();
        painter.drawRect(QRectF(clip.left() - 2, y0, clip.width() + 4, clip.bottom() - y0 + 2));
    }
    if (section.upper_plane) {
        double yh = f.at({box.left, section.upper_height}).y();
        painter.drawRect(
            QRectF(clip.left() - 2, clip.top() - 2, clip.width() + 4, yh - clip.top() + 2));
    }
    for (const xs_conductor &c : section.conductors) {
        if (c.outline.size() == 2) {
            painter.setPen(QPen(copper, 3));
            painter.drawLine(f.at(c.outline[0]), f.at(c.outline[1]));
            painter.setPen(QPen(copper_edge, 1));
        } else {
            painter.drawPolygon(polygon(f, c.outline));
        }
    }
    for (const xs_round &r : section.rounds) {
        QPointF centre = f.at(r.centre);
        double radius = r.radius * f.scale;
        if (r.enclosing) {
            QPainterPath wall;
            wall.addEllipse(centre, radius * 1.1, radius * 1.1);
            wall.addEllipse(centre, radius, radius);
            painter.drawPath(wall);
        } else {
            painter.drawEllipse(centre, radius, radius);
        }
    }
    painter.setClipping(false);
    if (labels) {
        painter.setPen(QColor(30, 30, 30));
        QFontMetricsF metrics(painter.font());
        std::vector<double> named;
        if (section.background_epsilon_r != 1) {
            // In the corner above the lower plane, clear of the marks beside the traces.
            named.push_back(section.background_epsilon_r);
            QRectF between = clip;
            if (section.ground_plane) between.setBottom(f.at({box.left, 0}).y());
            painter.drawText(between.adjusted(6, 4, -6, -4), Qt::AlignRight | Qt::AlignBottom,
                             QStringLiteral("\u03b5r %1").arg(section.background_epsilon_r));
        }
        for (const xs_dielectric &d : section.dielectrics) {
            QRectF seen = polygon(f, d.outline).boundingRect().intersected(clip);
            if (seen.height() < metrics.height() + 2 || seen.width() < 60) continue;
            if (std::find(named.begin(), named.end(), d.epsilon_r) != named.end()) continue;
            named.push_back(d.epsilon_r);
            QString text = QStringLiteral("\u03b5r %1").arg(d.epsilon_r);
            painter.drawText(seen.adjusted(6, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, text);
        }
    }
    for (const section_mark &m : marks)
        paint_mark(painter, f, m, labels);
    painter.restore();
}

QPixmap section_icon(const cross_section &section, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint_section(painter, QRectF(QPointF(0, 0), QSizeF(size)), section, {}, false);
    return pixmap;
}

section_view::section_view(QWidget *parent) : QWidget(parent) {
    setMinimumSize(320, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void section_view::set_section(const cross_section &section, std::vector<section_mark> marks) {
    section_ = section;
    marks_ = std::move(marks);
    shown_ = true;
    note_.clear();
    update();
}

void section_view::set_note(const QString &note) {
    note_ = note;
    update();
}

void section_view::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (shown_) paint_section(painter, QRectF(rect()), section_, marks_, true);
    if (!note_.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(8, 4, -8, -4),
                         Qt::AlignBottom | Qt::AlignLeft | Qt::TextWordWrap, note_);
    }
}
