// The materials of a line's losses as rows of a form, one per loss option in the
// table's order: a choice for the roughness model and the dielectric model, a text field
// for the rest, each with what it is as its tooltip and its default shown when empty.
// Only the rows that apply are enabled: the loss tangents of the layers the line type
// has (none for a cross-section file, whose regions carry their own) and the parameters
// of the roughness model chosen. Lengths are typed in the window's unit.
#pragma once

#include "input/length_units.h"
#include "input/loss_options.h"

#include <QLabel>
#include <QWidget>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class loss_form : public QWidget {
    Q_OBJECT

  public:
    explicit loss_form(QWidget *parent = nullptr);

    // The rows of the type (none: a cross-section file), lengths shown in the unit and
    // converted from the unit before.
    void prepare(std::optional<line_type> type, length_unit unit);

    // A row's field by the option's spelling: a QLineEdit, or a QComboBox for a choice.
    QWidget *field(std::string_view spelling) const;

    // Sets the options of the enabled rows that are not empty. Returns the refused
    // field with why, or null.
    QWidget *read(loss_input &loss, std::string &why) const;

  signals:
    // Return was pressed in a field.
    void submitted();

  private:
    void enable_rows();

    std::optional<line_type> type_;
    length_unit unit_ = length_unit::mm;
    std::vector<QWidget *> fields_; // in loss_option_specs() order
    std::vector<QLabel *> labels_;
};
