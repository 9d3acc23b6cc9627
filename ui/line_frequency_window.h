// The losses of the line page's line over frequency: the frequencies (a sweep
// FROM:TO:POINTS[:log] or a rising list), the materials (one row per loss option; empty
// takes its default), and the length and reference impedance of the S-parameters. The
// run (the lossless study with its error, then the losses at every frequency) goes on a
// thread of its own: a new run cancels the one before, and so does closing the window.
// The attenuation split by cause and the impedance's magnitude are drawn against a
// logarithmic frequency axis, the figures shown as text, and exported as the R-L-G-C
// table (CSV) and the S-parameters (Touchstone).
#pragma once

#include "input/length_units.h"
#include "studies/line_losses.h"
#include "studies/line_spectrum.h"
#include "studies/spectrum_report.h"
#include "ui/loss_form.h"
#include "ui/newest_runner.h"
#include "ui/ui_requests.h"

#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The line as the page holds it: a named line as typed (lengths in millimetres) or, with
// no input, a cross-section file's section; the title its results carry and the page's
// tolerance; or why it cannot run (a field left empty).
struct frequency_line {
    std::optional<line_input> input;
    cross_section section{};
    std::string title;
    double tolerance = 0;
    std::wstring refused;
};

// A run that ended with its spectrum, with what its report and the Touchstone file name:
// the title, the line's options as typed and the study's tolerance.
struct frequency_result {
    losses_run run;
    std::string title;
    std::vector<std::string> options;
    double tolerance = 0;
};

class line_frequency_window : public QWidget {
    Q_OBJECT

  public:
    // line: the page's line as it stands, asked at each run.
    line_frequency_window(std::function<frequency_line()> line, QWidget *owner);

    // The materials' rows of the line (type; none: a cross-section file) and the lengths
    // in the unit, converted.
    void prepare(std::optional<line_type> type, length_unit unit);

    QLineEdit *frequencies() const { return frequencies_; }
    QLineEdit *length_field() const { return length_; }
    QLineEdit *reference_field() const { return z_ref_; }
    loss_form *materials() const { return materials_; }
    QLabel *state() const { return state_; }
    QChart *loss_chart() const { return loss_view_->chart(); }
    QChart *impedance_chart() const { return impedance_view_->chart(); }
    QPlainTextEdit *report() const { return report_; }
    newest_runner &runner() { return runner_; }
    // The last run that ended with its spectrum.
    const std::optional<frequency_result> &result() const { return result_; }

    // Starts the run the fields ask for; false, with the reason shown and nothing run,
    // when one is refused.
    bool compute();
    // Writes the last run's R-L-G-C table, or its S-parameters (which need a length);
    // false with the message.
    bool export_csv(const QString &path, QString &error) const;
    bool save_touchstone(const QString &path, QString &error) const;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    // Reads the fields into a run's inputs; false with the field marked and why shown.
    bool read_fields(std::vector<double> &hz, loss_input &loss, double &length, double &z_ref);
    // Tints the field (none: clears the tint) and shows why.
    void refuse(QWidget *field, const QString &why);
    void cancel();
    void show_answer(const std::shared_ptr<frequency_result> &answer);
    void show_result();
    void draw();
    // Why there is nothing to write (no run ended; no length for the S-parameters), or
    // nothing.
    QString nothing_to_save(bool touchstone) const;
    bool write(const QString &path, const std::string &text, QString &error) const;
    void export_dialog(bool touchstone);

    std::function<frequency_line()> line_;
    length_unit unit_ = length_unit::mm;
    QLineEdit *frequencies_;
    loss_form *materials_;
    QLabel *length_label_;
    QLineEdit *length_, *z_ref_;
    QWidget *refused_ = nullptr;
    QLabel *state_;
    QPushButton *cancel_;
    QChartView *loss_view_, *impedance_view_;
    QPlainTextEdit *report_;
    newest_runner runner_;
    // The study's progress from the runner's thread; a child, so it outlives the runner.
    ui_requests *progress_;
    // Counts the runs asked for and cancelled, so that an older run's progress is dropped.
    int runs_ = 0;
    QString computing_; // what the run in progress computes
    std::optional<frequency_result> result_;
};
