// What the study windows (Synthesize, Sweep) share: the field the study varies, Run
// and Cancel, a status line, and how a study runs on the calculator's worker: its inputs
// disabled while it runs, one job at a time, and Escape, Close or the window's close
// button cancelling it first, the window closing once it has stopped, so that no late
// result lands in a closed window.
#pragma once

#include "studies/study.h"
#include "ui/calculator_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <functional>
#include <vector>

class study_window : public QDialog {
    Q_OBJECT

  public:
    QComboBox *field_choice() const { return field_; }
    QPushButton *run_button() const { return run_; }
    QPushButton *cancel_button() const { return cancel_; }
    QLabel *status() const { return status_; }
    bool running() const { return running_; }

    // During a study: cancels it first, and closes once it has stopped.
    void reject() override;

  protected:
    study_window(calculator_dialog &calculator, QWidget *owner, const QString &title,
                 const QString &run_text);

    // An input the study reads, disabled while it runs.
    void add_input(QWidget *input);

    // Whether a study may start now; when another job runs, false with the reason in
    // the status line. Checked before anything else, validation included.
    bool may_start();

    // Starts the study on the calculator's worker (false when no worker could start);
    // done runs on this thread after it, the inputs enabled again.
    bool start(const QString &what, int total,
               std::function<void(const calc_env &, const study_watch &)> work,
               std::function<void()> done);

    // Tells a window of the start and end of its study, for what else it enables.
    virtual void running_changed(bool running) { (void)running; }

    calculator_dialog &calculator_;
    QComboBox *field_;
    QPushButton *run_, *cancel_;
    QLabel *status_;

  private:
    void set_running(bool running);

    std::vector<QWidget *> inputs_;
    bool running_ = false;
    bool close_when_done_ = false;
};
