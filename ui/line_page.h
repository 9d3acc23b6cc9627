// The page of a named line type: its form, its cross-section drawn to scale and its
// results, solved live. After each edit that passes validation the line is drawn and
// solved on a thread of its own; a refusal marks its field and says why in place of the
// results, and no older answer can show after it or after a newer edit.
#pragma once

#include "input/fields.h"
#include "input/length_units.h"
#include "studies/line_study.h"
#include "ui/field_view.h"
#include "ui/line_form.h"
#include "ui/line_frequency_window.h"
#include "ui/line_sweep_window.h"
#include "ui/line_synthesis_dialog.h"
#include "ui/newest_runner.h"
#include "ui/section_picture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>

// What a solve answers: the line it solved (or the cross-section file's title), at its
// tolerance, and its estimate.
struct line_answer {
    line_input input;
    std::string file; // the cross-section file solved, or empty for a named line
    double tolerance = 0;
    line_estimate estimate;
};

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
    // The field of the line as it stands, in a window of its own.
    field_view *field() const { return field_; }
    void show_field();
    line_sweep_window *sweep() const { return sweep_; }
    line_synthesis_dialog *synthesis() const { return synthesis_; }
    line_frequency_window *frequency() const { return frequency_; }
    void open_sweep();
    void open_synthesis();
    // The losses of the line over frequency, in a window of its own.
    void open_frequency();

    // The tolerance of the live estimate (a fraction); the line is solved again.
    void set_tolerance(double tolerance);
    double tolerance() const { return tolerance_; }
    newest_runner &runner() { return runner_; }

    // Shows a line (lengths in millimetres) in its type's form and solves it.
    void set_input_mm(const line_input &input);
    // Draws and solves a cross-section read from a file, as it is (no form); choosing a
    // type ends it.
    void show_cross_section(const cross_section &section, const QString &path);
    bool showing_file() const { return file_section_.has_value(); }

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
    // The buttons beside the results ask the window to copy or export them.
    void copy_requested();
    void export_requested();

  private:
    // Shows the type's form, made at its first showing; nothing is solved.
    void show_form(line_type type);
    void refresh();
    // Solves on the runner: study(env, tolerance) estimates the line or the file.
    void solve(const line_input &input, const std::string &file,
               std::function<line_estimate(const calc_env &, double)> study);
    void show_answer(const line_answer &answer);
    void show_results();
    // The line as it stands, for the losses window.
    frequency_line frequency_source() const;
    // The losses window's rows for the line shown, in the page's unit.
    void prepare_frequency();

    line_type type_ = line_type::microstrip;
    length_unit unit_ = length_unit::mm;
    QStackedWidget *forms_;
    std::map<line_type, line_form *> by_type_;
    section_view *drawing_;
    QLabel *state_;
    QPlainTextEdit *results_;
    newest_runner runner_;
    std::optional<line_answer> answer_;
    field_view *field_;
    line_sweep_window *sweep_;
    line_synthesis_dialog *synthesis_;
    line_frequency_window *frequency_;
    double tolerance_;
    std::optional<cross_section> file_section_;
    QString file_path_;
    QLabel *file_note_;
};
