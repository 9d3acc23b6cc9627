// The synthesis of a line: the value of one option (any length or permittivity of the
// type) that gives a target Z0, or for a pair a target Zdiff or Zcommon, found on a
// thread of its own; Use Value writes it into the option's field in the window's unit.
#pragma once

#include "input/length_units.h"
#include "studies/line_search.h"
#include "ui/line_form.h"
#include "ui/newest_runner.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <optional>

class line_synthesis_dialog : public QDialog {
    Q_OBJECT

  public:
    // form: the page's form of the line as it stands, asked at each run.
    line_synthesis_dialog(std::function<line_form *()> form, QWidget *owner);

    // The targets and options of the line's type.
    void prepare(line_type type, length_unit unit);

    QComboBox *target() const { return target_; }
    QComboBox *option() const { return option_; }
    QLineEdit *goal() const { return goal_; }
    QLabel *state() const { return state_; }
    QPushButton *use_value() const { return use_; }
    newest_runner &runner() { return runner_; }
    const std::optional<line_synthesis> &result() const { return result_; }

    // Starts the search; false with the reason shown when the goal is refused.
    bool run();

  private:
    std::function<line_form *()> form_;
    length_unit unit_ = length_unit::mm;
    QComboBox *target_, *option_;
    QLineEdit *goal_;
    QLabel *state_;
    QPushButton *use_;
    newest_runner runner_;
    std::optional<line_synthesis> result_;
    std::optional<line_option> found_for_;
};
