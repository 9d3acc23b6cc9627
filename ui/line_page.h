// The page of a named line type: its form, its cross-section drawn to scale and its
// results, solved live. After each edit that passes validation the line is drawn and
// solved on the solver's thread; a refusal marks its field and says why in place of the
// results, and no older answer can show after it or after a newer edit.
#pragma once

#include "input/length_units.h"
#include "ui/line_form.h"
#include "ui/line_solver.h"
#include "ui/section_picture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QWidget>

#include <map>
#include <optional>
#include <string>

class line_page : public QWidget {
    Q_OBJECT

  public:
    explicit line_page(QWidget *parent = nullptr);

    // Shows the type's form (each type keeps its texts while the window lives).
    void set_type(line_type type);
    line_type type() const { return type_; }
    line_form *form() const;
    section_view *drawing() const { return drawing_; }
    QPlainTextEdit *results() const { return results_; }
    QLabel *state() const { return state_; }
    line_solver &solver() { return solver_; }

    // Shows a line (lengths in millimetres) in its type's form and solves it.
    void set_input_mm(const line_input &input);

    // Lengths in the form and the results, converted; nothing is solved again.
    void set_unit(length_unit unit);
    length_unit unit() const { return unit_; }

    // The answer shown, if the line as it stands has one.
    const std::optional<line_answer> &answer() const { return answer_; }
    // The results as text, and as the command line's JSON record.
    QString result_text() const;
    std::string result_json() const;

  signals:
    void edited();
    void answered();

  private:
    void refresh();
    void show_answer(const line_answer &answer);
    void show_results();

    line_type type_ = line_type::microstrip;
    length_unit unit_ = length_unit::mm;
    QStackedWidget *forms_;
    std::map<line_type, line_form *> by_type_;
    section_view *drawing_;
    QLabel *state_;
    QPlainTextEdit *results_;
    line_solver solver_;
    std::optional<line_answer> answer_;
};
