// The field of the line being edited: the potential over its cross-section as a colour
// map with equipotential lines, and the free charge density along the conductors drawn
// out from their surfaces; for a pair, its odd or its even mode. Computed from the panel
// charges on a thread of its own (a newer request supersedes an older one), saved as PNG
// or SVG.
#pragma once

#include "core/graded/cross_section.h"
#include "studies/field_map.h"
#include "ui/newest_runner.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <optional>
#include <vector>

// What the view draws for one drive: the map and what it shows.
struct field_picture {
    cross_section section{};
    field_map map;
    QString title;
};

// Paints the picture into target, to scale as the section's drawing.
void paint_field(QPainter &painter, const QRectF &target, const field_picture &picture);

class field_canvas;

class field_view : public QWidget {
    Q_OBJECT

  public:
    explicit field_view(QWidget *parent = nullptr);

    // The line to show; a pair (two signal conductors) offers its odd and even modes.
    void set_section(const cross_section &section);
    // Shows why there is no field (the line was refused): the picture is dropped and a
    // computation in progress cancelled.
    void set_note(const QString &note);
    // 0: the signal at 1 V (a pair's odd mode, 1 V and -1 V); 1: a pair's even mode.
    void set_mode(int mode);
    QComboBox *modes() const { return modes_; }
    newest_runner &runner() { return runner_; }
    const std::optional<field_picture> &picture() const { return picture_; }

    // Writes the picture as PNG (by default) or SVG (a path ending in .svg); false with
    // the message naming the file.
    bool save(const QString &path, QString &error) const;

  private:
    void recompute();
    void save_dialog();

    cross_section section_{};
    bool has_section_ = false;
    QComboBox *modes_;
    QLabel *state_;
    field_canvas *canvas_;
    newest_runner runner_;
    std::optional<field_picture> picture_;
};
