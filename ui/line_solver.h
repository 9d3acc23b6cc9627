// Solves a line on a thread of its own while the window goes on: each request supersedes
// the one before it (a run in progress is cancelled at its next check, one not yet
// started is dropped), and only the newest request's answer is delivered, so a result
// can never overwrite the result of a later edit.
#pragma once

#include "input/line_options.h"
#include "studies/line_study.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// What a run answers: the input it solved and its estimate.
struct line_answer {
    std::uint64_t generation = 0;
    line_input input;
    double tolerance = 0;
    line_estimate estimate;
};

class line_solver : public QObject {
    Q_OBJECT

  public:
    explicit line_solver(QObject *parent = nullptr);
    // Cancels the run in progress and waits for its thread to end.
    ~line_solver() override;

    // Solves the input at the tolerance (a fraction) after the run in progress, which is
    // cancelled; returns the request's generation.
    std::uint64_t request(const line_input &input, double tolerance);
    // Drops whatever was asked: the run in progress is cancelled, nothing is delivered.
    void cancel();

    std::uint64_t generation() const { return requested_; }
    // Whether a request has no answer delivered yet.
    bool busy() const { return delivered_ != requested_; }

  signals:
    // On the window's thread, for the newest request only.
    void solved(const line_answer &answer);
    void busy_changed(bool busy);

  private:
    struct job {
        std::uint64_t generation;
        line_input input;
        double tolerance;
    };
    void run();
    void deliver(std::shared_ptr<line_answer> answer);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<job> pending_;
    std::atomic<bool> cancel_run_{false};
    bool quit_ = false;
    std::uint64_t requested_ = 0; // on the window's thread
    std::uint64_t delivered_ = 0;
    std::thread thread_;
};
