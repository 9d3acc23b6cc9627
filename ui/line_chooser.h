// The list of line types in the command line's order, each with a small picture drawn
// from its own cross-section as it starts (the two-strip line's from its start fields).
#pragma once

#include "core/graded/line_types.h"

#include <QListWidget>

class line_chooser : public QListWidget {
    Q_OBJECT

  public:
    explicit line_chooser(QWidget *parent = nullptr);

    line_type type() const;
    void select(line_type type);

  signals:
    void chosen(line_type type);
};
