// Synchronous and posted requests from the calculation's worker to the user-interface
// thread.
#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// Synchronous requests to the user-interface thread. A request waits in a queue of our
// own, guarded by a std::mutex, and an eventfd wakes the thread's event loop to serve
// it; no data passes through Qt's event queue, whose locks the thread checker cannot
// see. Created on the user-interface thread, as a child of the window it serves.
class ui_requests final : public QObject {
    Q_OBJECT

  public:
    explicit ui_requests(QObject *parent);
    // Posted requests still queued are dropped. A caller still waiting in run() would
    // go on through a window that is gone: the window must outlive every worker, so
    // that is a programming error, and the program stops with a message.
    ~ui_requests() override;

    // Runs the request on the user-interface thread and returns when it has run; on
    // that thread itself it runs at once. The caller's data stays valid for the request.
    void run(const std::function<void()> &request);

    // Queues the request and returns at once; it runs in order with the others.
    void post(std::function<void()> request);

  private:
    struct pending;
    // A waiting caller's request, or a posted one that the queue owns.
    struct entry {
        pending *waiting;
        std::function<void()> posted;
    };
    void enqueue(entry e);
    void serve();

    int wake_fd_;
    std::mutex mutex_;
    std::condition_variable served_;
    std::deque<entry> queue_;
};
