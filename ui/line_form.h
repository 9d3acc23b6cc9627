// The fields of one line type: each option the type uses, with its unit (the window's
// length unit for lengths), a tooltip saying what it is and its keyword, the texts kept
// as typed. The form reads into a line as typed in millimetres for the solver, the
// files and the command line's record, and marks the field a refusal names.
#pragma once

#include "input/length_units.h"
#include "input/line_options.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <utility>

class line_form : public QWidget {
    Q_OBJECT

  public:
    explicit line_form(line_type type, QWidget *parent = nullptr);

    line_type type() const { return type_; }
    // The field of an option, or null when the type does not use it.
    QLineEdit *field(line_option option) const { return fields_[std::size_t(option)]; }

    // The line as typed, lengths in millimetres (a length with its own unit suffix is
    // converted; a text that is no number is kept for validation to refuse).
    line_input input_mm() const;
    // Shows the line's texts (millimetres) in the form's unit; the type must agree.
    void set_input_mm(const line_input &input);
    void set_text(line_option option, const QString &text);
    // The same for a text in millimetres (a length) or as it is, shown in the form's unit.
    void set_text_mm(line_option option, const QString &mm_text);

    length_unit unit() const { return unit_; }
    // Shows every length in the new unit, converted, without an edit.
    void set_unit(length_unit unit);

    // The first field left empty that has no value to fall back on (every one but
    // epsilon-r2, which follows epsilon-r), with why in reason; none when all are typed.
    std::optional<line_option> empty_field(std::wstring &reason) const;

    // Tints the option's field (none: clears the tint) and gives it the focus.
    void mark_refused(std::optional<line_option> option);
    std::optional<line_option> refused() const { return refused_; }

  signals:
    void edited();

  private:
    void label_units();

    line_type type_;
    length_unit unit_ = length_unit::mm;
    std::array<QLineEdit *, line_option_count> fields_{};
    std::array<QLabel *, line_option_count> labels_{};
    std::optional<line_option> refused_;
    // A length shown converted from millimetres keeps its exact text there until the field
    // is edited: (the text shown, the millimetres), so that switching units changes no
    // result.
    std::array<std::optional<std::pair<QString, std::wstring>>, line_option_count> exact_{};
};

// Fills a list with the options of the type a study can vary (a sweep: every one; a
// synthesis: those without a keyword, as on the command line), each named with its unit
// and carrying int(option) as its data; the option chosen before stays chosen when the
// type has it.
void line_option_choices(QComboBox *box, line_type type, length_unit unit, bool with_keywords);
