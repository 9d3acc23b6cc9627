// The study windows' shared controls and run.
#include "ui/study_window.h"

study_window::study_window(calculator_dialog &calculator, QWidget *owner, const QString &title,
                           const QString &run_text)
    : QDialog(owner), calculator_(calculator) {
    setWindowTitle(title);
    field_ = new QComboBox(this);
    run_ = new QPushButton(run_text, this);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setEnabled(false);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    add_input(field_);
    connect(cancel_, &QPushButton::clicked, &calculator_, &calculator_dialog::cancel_run);
}

void study_window::add_input(QWidget *input) {
    inputs_.push_back(input);
}

void study_window::set_running(bool running) {
    running_ = running;
    run_->setEnabled(!running);
    cancel_->setEnabled(running);
    for (QWidget *input : inputs_)
        input->setEnabled(!running);
    running_changed(running);
}

bool study_window::may_start() {
    // One job at a time: the caption and the result list follow one job.
    if (!calculator_.busy()) return true;
    status_->setText(QStringLiteral("Wait for the running calculation to end"));
    return false;
}

bool study_window::start(const QString &what, int total,
                         std::function<void(const calc_env &, const study_watch &)> work,
                         std::function<void()> done) {
    close_when_done_ = false;
    set_running(true);
    bool started = calculator_.run_study(what, total, std::move(work), [this, done] {
        set_running(false);
        done();
        if (close_when_done_) QDialog::reject();
    });
    if (!started) set_running(false);
    return started;
}

void study_window::reject() {
    if (running_) {
        close_when_done_ = true;
        calculator_.cancel_run();
        return;
    }
    QDialog::reject();
}
