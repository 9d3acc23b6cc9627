// The runner's thread: it waits for a request, runs it, and posts the answer to the
// window's thread, where anything older than the newest request is dropped.
#include "ui/newest_runner.h"

newest_runner::newest_runner(QObject *parent)
    : QObject(parent), requests_(new ui_requests(this)), thread_([this] { run(); }) {}

newest_runner::~newest_runner() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        pending_.reset();
        cancel_run_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t newest_runner::request(work w) {
    bool was_busy = busy();
    ++requested_;
    {
        std::lock_guard lock(mutex_);
        pending_ = job{requested_, std::move(w)};
        cancel_run_ = true;
    }
    wake_.notify_one();
    if (!was_busy) emit busy_changed(true);
    return requested_;
}

void newest_runner::cancel() {
    bool was_busy = busy();
    {
        std::lock_guard lock(mutex_);
        pending_.reset();
        cancel_run_ = true;
    }
    delivered_ = ++requested_;
    if (was_busy) emit busy_changed(false);
}

void newest_runner::run() {
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
        std::function<void()> answer = next.w(env);
        if (!answer) continue;
        requests_->post(
            [this, generation = next.generation, answer] { deliver(generation, answer); });
    }
}

void newest_runner::deliver(std::uint64_t generation, const std::function<void()> &answer) {
    if (generation != requested_) return;
    delivered_ = generation;
    answer();
    emit busy_changed(false);
}
