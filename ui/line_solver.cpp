// The line solver's thread: it waits for a request, runs the study on it, and posts the
// answer to the window's thread, where anything older than the newest request is dropped.
#include "ui/line_solver.h"

#include <QMetaObject>

line_solver::line_solver(QObject *parent) : QObject(parent), thread_([this] { run(); }) {}

line_solver::~line_solver() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        pending_.reset();
        cancel_run_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t line_solver::request(const line_input &input, double tolerance) {
    bool was_busy = busy();
    ++requested_;
    {
        std::lock_guard lock(mutex_);
        pending_ = job{requested_, input, tolerance};
        cancel_run_ = true;
    }
    wake_.notify_one();
    if (!was_busy) emit busy_changed(true);
    return requested_;
}

void line_solver::cancel() {
    bool was_busy = busy();
    {
        std::lock_guard lock(mutex_);
        pending_.reset();
        cancel_run_ = true;
    }
    delivered_ = ++requested_;
    if (was_busy) emit busy_changed(false);
}

void line_solver::run() {
    for (;;) {
        job next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_) return;
            next = std::move(*pending_);
            pending_.reset();
            cancel_run_ = false;
        }
        calc_env env;
        env.cancel = &cancel_run_;
        auto answer = std::make_shared<line_answer>();
        answer->generation = next.generation;
        answer->input = next.input;
        answer->tolerance = next.tolerance;
        answer->estimate = line_study_input(next.input, next.tolerance, false, env);
        if (answer->estimate.cancelled) continue;
        QMetaObject::invokeMethod(
            this, [this, answer] { deliver(answer); }, Qt::QueuedConnection);
    }
}

void line_solver::deliver(std::shared_ptr<line_answer> answer) {
    if (answer->generation != requested_) return;
    delivered_ = answer->generation;
    emit solved(*answer);
    emit busy_changed(false);
}
