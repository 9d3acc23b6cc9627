// The calculator's dialog: the geometry picture, the seven input fields, the plot box,
// Calculate and About, and the result list into which every line of a calculation goes.
// One press of Calculate validates on this thread and runs the job on a worker; the
// studies run on a worker too, one job at a time, since the caption and the result list
// follow one job. The dialog also keeps what the template has no control for: the strip
// thickness and the unit lengths are shown in.
#pragma once

#include "core/base/calc_host.h"
#include "core/base/params.h"
#include "core/job/solver_variant.h"
#include "input/length_units.h"
#include "input/read_inputs.h"
#include "studies/study.h"
#include "ui/qt_layer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class geometry_picture;

// What the last calculation left for Copy and Export: its lines, its figures (none when
// validation refused it) and the slab problem's charge table.
struct last_run {
    std::vector<std::wstring> lines;
    std::optional<calc_figures> figures;
    solver_variant variant;
    std::string charges_csv; // empty unless the run succeeded
};

class calculator_dialog : public QWidget {
    Q_OBJECT

  public:
    explicit calculator_dialog(const QPixmap &geometry_bitmap);
    ~calculator_dialog() override;

    // The result list's line output: the new line becomes the last and selected one.
    // On the user-interface thread only; other threads go through line_from_worker.
    void append_result_line(const QString &text);
    // A line from the calculation's worker: a synchronous request to this window's
    // thread, so lines arrive in order and before the job's next step.
    void line_from_worker(const wchar_t *text);
    // After a calculation has run for a second, the caption shows the phase and its
    // fraction done. Posted from the worker, never waited for.
    void progress_from_worker(progress_phase phase, double fraction);
    // Adds a line without selecting it (validation's version line).
    void add_result_line(const QString &text);
    void clear_results();

    // The end of a calculation: the plain caption back and Calculate enabled.
    void calculation_ended();

    // The text of one of the seven input fields as shown (the thickness: its text).
    QString field_text(input_field which) const;
    // Replaces a field's text, as if typed in the window's unit (the thickness included).
    void set_field_text(input_field which, const QString &text);
    // Replaces a field's value by a text in millimetres (epsilon_r as it is): a length is
    // shown in the window's unit rounded to what the unit can mean, and the field keeps
    // the millimetres exactly.
    void set_field_text_mm(input_field which, const QString &text);
    // The text validation reads. A length field keeps the millimetres of what was typed
    // (or set) into it, converted exactly, whatever unit the window shows it in since: in
    // millimetres it is the typed text itself, and switching units changes no result.
    QString field_text_mm(input_field which) const;
    // All eight texts in millimetres, in input_field order, for a study.
    field_texts field_texts_mm() const;

    // The unit of every length field. Changing it shows the lengths in the new unit,
    // rounded to what it can mean (0.1 um, 0.01 mil); their values stay as they were.
    length_unit unit() const { return unit_; }
    void set_unit(length_unit unit);

    // The refused field of the last validation, marked until its text changes.
    std::optional<input_field> refused_field() const { return refused_; }

    // Runs a study on the worker: Calculate is disabled (busy_changed(true)) until
    // `done` has run on this thread after it. The study's watch reports each point in
    // the caption as "<what>: <n> of <total>" (total 0: just n); its environment is
    // cancelled by cancel_run(). Returns false, with a result line, when no worker
    // could start.
    bool run_study(const QString &what, int total,
                   std::function<void(const calc_env &, const study_watch &)> work,
                   std::function<void()> done);
    // Stops the running calculation or study at its next check (between blocks of a
    // solve, or before a study's next point).
    void cancel_run() { cancel_ = true; }
    bool study_running() const { return study_running_; }
    bool busy() const { return !calculate_->isEnabled(); }

    // The last calculation, finished or refused, if any.
    const std::optional<last_run> &last_result() const { return last_; }
    // Kept by the worker's host from the run's outcome, on this thread.
    void keep_result(last_run run) { last_ = std::move(run); }

    // The box counts as checked only when it is checked and neither focused nor pressed.
    bool plot_box_checked_alone() const;

    // Whether a calculation's worker thread still exists. Calculate comes back before
    // the worker has quite finished; a window may be destroyed only after this is false.
    bool worker_running() const { return worker_running_; }

    // The worker's way to this window's thread.
    ui_requests &requests() { return *requests_; }

    QPushButton *calculate_button() const { return calculate_; }
    QPushButton *about_button() const { return about_; }
    QCheckBox *plot_box() const { return plot_box_; }
    QListWidget *result_list() const { return results_; }
    QAction *accurate_action() const { return accurate_; }
    QWidget *field(input_field which) const;

    void calculate();
    void show_about();

    // Validation of the fields (and the thickness, against the variant) as Calculate
    // does it: the refusal's lines in the list and the field marked; nothing on success.
    // A study uses it before it starts.
    bool validate(calc_params &params, solver_variant variant);

    // The environment of this window's runs: lines to the result list, progress to the
    // caption, the cancel flag of a study.
    const calc_env &environment() const { return env_; }

  signals:
    // The user changed a field's text, the thickness or the variant.
    void edited();
    // A calculation or study started (true) or ended (false).
    void busy_changed(bool busy);
    // Calculate was refused because the specified variant cannot take the thickness.
    void thickness_refused();

  protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // Starts the work on a detached worker thread; false when none could start.
    bool start_worker(std::function<void()> work);
    void mark_refused(std::optional<input_field> which);
    // Shows a text in a field (the start of a long one), without touching its value.
    void show_text(input_field which, const QString &text);
    // The value of a length field from what it shows now, in the window's unit.
    void take_typed(input_field which);
    void update_unit_labels();

    ui_requests *requests_;
    QAction *accurate_;
    std::atomic<bool> worker_running_{false};
    QPushButton *calculate_;
    QPushButton *about_;
    QLineEdit *w1_, *h_, *d_, *epsilon_r_;
    QComboBox *w2_, *p_, *mesh_step_;
    QCheckBox *plot_box_;
    QListWidget *results_;
    geometry_picture *picture_;
    QLabel *unit_labels_[6];
    QString thickness_;
    // Each length field's value in millimetres, exactly as typed or set.
    QString mm_[input_field_count];
    bool showing_ = false; // the window is showing a value in the unit: not a new value
    length_unit unit_ = length_unit::mm;
    std::optional<input_field> refused_;
    std::optional<last_run> last_;
    // While a study runs the caption shows its points, not the phases of each solve.
    std::atomic<bool> study_running_{false};
    std::atomic<bool> cancel_{false};
    // When the running calculation started, and the last progress shown.
    std::atomic<std::int64_t> started_ms_{0};
    std::atomic<int> last_progress_{-1};
    calc_env env_;
};
