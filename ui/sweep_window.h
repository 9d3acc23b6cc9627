// The sweep window: one calculation per value of a field, run on the worker with the
// caption's progress and a Cancel, drawn as Z0 and the effective permittivity against
// the field (two value axes, every point marked, a failed point a gap in the line and a
// row in the list of failures) beside the table of the numbers, and exported as a CSV
// table or as an SVG or PNG chart. Lengths are entered and drawn in the window's unit;
// the exported table and SVG chart keep the millimetres the calculation used.
#pragma once

#include "ui/study_window.h"

#include <QChartView>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>

#include <optional>

class sweep_window : public study_window {
    Q_OBJECT

  public:
    sweep_window(calculator_dialog &calculator, QWidget *owner);

    QLineEdit *from_field() const { return from_; }
    QLineEdit *to_field() const { return to_; }
    QLineEdit *step_field() const { return step_; }
    QListWidget *failures() const { return failures_; }
    QTableWidget *table() const { return table_; }
    QChart *chart() const { return view_->chart(); }
    // The last sweep, once it has ended.
    const std::optional<sweep> &result() const { return result_; }

    // Writes the table, or the chart (.svg, or .png of 1600 x 1000 pixels, by the name's
    // suffix); false with the reason in error.
    bool export_table(const QString &path, QString &error) const;
    bool export_chart(const QString &path, QString &error);

  protected:
    void running_changed(bool running) override;

  private:
    void run();
    void draw();
    void fill_table();
    void choose_export(bool chart);

    QLineEdit *from_, *to_, *step_;
    QPushButton *export_table_, *export_chart_;
    QChartView *view_;
    QTableWidget *table_;
    QListWidget *failures_;
    std::optional<sweep> result_;
    length_unit drawn_unit_ = length_unit::mm;
};
