// The sweep of any option of a line type: one run with its error per value, on a thread of its
// own (a new sweep cancels the one before), drawn as Z0 against the option, or for a pair
// Zdiff and Zcommon; exported as the command line's JSON. Lengths are entered in the
// window's unit.
#pragma once

#include "input/length_units.h"
#include "studies/line_search.h"
#include "ui/newest_runner.h"

#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

class line_sweep_window : public QWidget {
    Q_OBJECT

  public:
    // line: the line as it stands on the page (lengths in millimetres), asked at each run.
    line_sweep_window(std::function<line_input()> line, QWidget *owner);

    // The options of the line's type, in the window's unit.
    void prepare(line_type type, length_unit unit);

    QComboBox *option() const { return option_; }
    QLineEdit *from_field() const { return from_; }
    QLineEdit *to_field() const { return to_; }
    QLineEdit *step_field() const { return step_; }
    QLabel *state() const { return state_; }
    QChart *chart() const { return view_->chart(); }
    newest_runner &runner() { return runner_; }
    // The last sweep that ended, with the line it swept.
    const std::optional<line_sweep> &result() const { return result_; }

    // Starts the sweep the fields ask for; false with the reason shown when one is refused.
    bool run();
    // Writes the last sweep's JSON record; false with the message naming the file.
    bool export_json(const QString &path, QString &error) const;

  private:
    void draw();

    std::function<line_input()> line_;
    line_input swept_;
    length_unit unit_ = length_unit::mm;
    QComboBox *option_;
    QLineEdit *from_, *to_, *step_;
    QLabel *state_;
    QChartView *view_;
    newest_runner runner_;
    std::optional<line_sweep> result_;
};
