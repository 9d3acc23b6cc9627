// The calculator's main window: the geometry picture, the seven input fields, the plot
// box, Calculate and About, and the result list into which every line of a calculation
// goes. One press of Calculate validates on this thread and runs the job on a worker.
#pragma once

#include "../core/messages.h"
#include "../core/params.h"
#include "../core/progress.h"
#include "../input/read_inputs.h"
#include "qt_layer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <cstdint>

class main_window : public QWidget {
    Q_OBJECT

  public:
    explicit main_window(const QPixmap &geometry_bitmap);
    ~main_window() override;

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

    // The text of one of the seven input fields (the thickness has none yet).
    QString field_text(input_field which) const;

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

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void calculate();
    void show_about();

    ui_requests *requests_;
    QAction *accurate_;
    std::atomic<bool> worker_running_{false};
    QPushButton *calculate_;
    QPushButton *about_;
    QLineEdit *w1_, *h_, *d_, *epsilon_r_;
    QComboBox *w2_, *p_, *mesh_step_;
    QCheckBox *plot_box_;
    QListWidget *results_;
    // When the running calculation started, and the last progress shown.
    std::atomic<std::int64_t> started_ms_{0};
    std::atomic<int> last_progress_{-1};
    // The window is the program's line output and progress display while it exists:
    // both message sinks and the progress sink are bound to it for its lifetime.
    sinks_binding sinks_;
    progress_binding progress_;
};
