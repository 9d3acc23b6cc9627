// Runs work on a thread of its own while the window goes on, newest first: each request
// supersedes the one before it (a run in progress is cancelled at its next check, one not
// yet started is dropped), and only the newest request's answer reaches the window, so a
// result can never overwrite the result of a later request.
#pragma once

#include "core/base/calc_env.h"
#include "ui/ui_requests.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class newest_runner : public QObject {
    Q_OBJECT

  public:
    // The work, on the runner's thread with the run's environment (its cancel flag set
    // when a newer request comes): what to do on the window's thread with its answer, or
    // an empty function when it was cancelled.
    using work = std::function<std::function<void()>(const calc_env &env)>;

    explicit newest_runner(QObject *parent = nullptr);
    // Cancels the run in progress and waits for its thread to end.
    ~newest_runner() override;

    // Runs the work after the run in progress, which is cancelled; returns the request's
    // generation.
    std::uint64_t request(work w);
    // Drops whatever was asked: the run in progress is cancelled, nothing is delivered.
    void cancel();

    std::uint64_t generation() const { return requested_; }
    // Whether a request has no answer delivered yet.
    bool busy() const { return delivered_ != requested_; }

  signals:
    void busy_changed(bool busy);

  private:
    struct job {
        std::uint64_t generation;
        work w;
    };
    void run();
    void deliver(std::uint64_t generation, const std::function<void()> &answer);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<job> pending_;
    std::atomic<bool> cancel_run_{false};
    bool quit_ = false;
    std::uint64_t requested_ = 0; // on the window's thread
    std::uint64_t delivered_ = 0;
    // The answers' way to the window's thread, through a queue the thread checker sees.
    ui_requests *requests_;
    std::thread thread_;
};
