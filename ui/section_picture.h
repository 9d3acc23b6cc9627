// A cross-section drawn to scale: the planes, the dielectric regions with their
// permittivities, the conductors (traces with their thickness and etch, coplanar grounds,
// wires and shields) and the dimension marks, in the window section_view_box chooses.
// The same painter draws the chooser's pictures, the form's drawing and its exports.
#pragma once

#include "core/graded/cross_section.h"
#include "ui/painting/section_layout.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <vector>

// Where the section's window lands in a target: to scale and centred, with room around
// it for the labels when there are any.
struct section_frame {
    section_box box;
    double scale, x0, y0; // pixel = (x0 + scale (x - left), y0 - scale (y - bottom))

    QPointF at(xs_point p) const {
        return {x0 + scale * (p.x - box.left), y0 - scale * (p.y - box.bottom)};
    }
    xs_point point(QPointF pixel) const {
        return {box.left + (pixel.x() - x0) / scale, box.bottom + (y0 - pixel.y()) / scale};
    }
    QRectF clip() const { return QRectF(at({box.left, box.top}), at({box.right, box.bottom})); }
};
section_frame section_frame_in(const cross_section &section, const QRectF &target, bool labels);

// Solid: the layers filled with their colours; outline: only their edges, over a picture
// painted beneath (the field).
enum class section_fill { solid, outline };

// Paints the section into target (device pixels of the painter), to scale and centred;
// labels: the permittivities and the marks' texts.
void paint_section(QPainter &painter, const QRectF &target, const cross_section &section,
                   const std::vector<section_mark> &marks, bool labels,
                   section_fill fill = section_fill::solid);

// A small picture of the section, without texts, for a list of line types.
QPixmap section_icon(const cross_section &section, QSize size);

// The drawing of the line being edited; empty (a note in its place) until it has one.
class section_view : public QWidget {
    Q_OBJECT

  public:
    explicit section_view(QWidget *parent = nullptr);

    void set_section(const cross_section &section, std::vector<section_mark> marks);
    // Shows why there is no drawing.
    void set_note(const QString &note);
    bool has_section() const { return shown_; }
    const cross_section &section() const { return section_; }
    const std::vector<section_mark> &marks() const { return marks_; }

    QSize sizeHint() const override { return {520, 300}; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    cross_section section_{};
    std::vector<section_mark> marks_;
    bool shown_ = false;
    QString note_;
};
