// The sweep window: one calculation per value of a field, run on the worker with the
// caption's progress and a Cancel, drawn as Z0 and the effective permittivity against
// the field (two value axes with round ticks, every point marked, a failed point a gap
// in the line and a row in the list of failures), and exported as a CSV table or as an
// SVG or PNG chart. Lengths are entered and drawn in the window's unit; the table keeps
// the millimetres the calculation used.
#pragma once

#include "studies/study.h"
#include "ui/calculator_dialog.h"

#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <optional>

class sweep_window : public QWidget {
    Q_OBJECT

  public:
    sweep_window(calculator_dialog &calculator, QWidget *owner);

    QComboBox *field_choice() const { return field_; }
    QLineEdit *from_field() const { return from_; }
    QLineEdit *to_field() const { return to_; }
    QLineEdit *step_field() const { return step_; }
    QPushButton *run_button() const { return run_; }
    QPushButton *cancel_button() const { return cancel_; }
    QLabel *status() const { return status_; }
    QListWidget *failures() const { return failures_; }
    QChart *chart() const { return view_->chart(); }
    // The last sweep, once it has ended.
    const std::optional<sweep> &result() const { return result_; }

    // Writes the table, or the chart (.svg or .png by the name's suffix); false with
    // the reason in error.
    bool export_table(const QString &path, QString &error) const;
    bool export_chart(const QString &path, QString &error);

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void run();
    void draw();
    void set_running(bool running);
    void choose_export(bool chart);

    calculator_dialog &calculator_;
    QComboBox *field_;
    QLineEdit *from_, *to_, *step_;
    QPushButton *run_, *cancel_, *export_table_, *export_chart_;
    QLabel *status_;
    QChartView *view_;
    QListWidget *failures_;
    bool running_ = false;
    std::optional<sweep> result_;
    length_unit drawn_unit_ = length_unit::mm;
};
