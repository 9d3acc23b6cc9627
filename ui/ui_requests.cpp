// The request queue: our own deque under a std::mutex, with an eventfd that wakes the
// user-interface thread's event loop.
#include "ui/ui_requests.h"

#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

struct ui_requests::pending {
    const std::function<void()> *request;
    bool done = false;
};

ui_requests::ui_requests(QObject *parent) : QObject(parent) {
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) qFatal("eventfd: %s", std::strerror(errno));
    auto *notifier = new QSocketNotifier(wake_fd_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &ui_requests::serve);
}

ui_requests::~ui_requests() {
    {
        std::lock_guard lock(mutex_);
        for (const entry &e : queue_) {
            if (e.waiting) qFatal("ui_requests: a worker still waits on a window being destroyed");
        }
        queue_.clear();
    }
    close(wake_fd_);
}

void ui_requests::run(const std::function<void()> &request) {
    if (QThread::currentThread() == thread()) {
        request();
        return;
    }
    pending p{&request};
    enqueue({&p, {}});
    std::unique_lock lock(mutex_);
    served_.wait(lock, [&p] { return p.done; });
}

void ui_requests::post(std::function<void()> request) {
    enqueue({nullptr, std::move(request)});
}

void ui_requests::enqueue(entry e) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(e));
    std::uint64_t one = 1;
    // A full counter (2^64 - 2 wake-ups unread) cannot happen: each read empties it.
    [[maybe_unused]] ssize_t written = write(wake_fd_, &one, sizeof one);
}

void ui_requests::serve() {
    std::uint64_t count;
    [[maybe_unused]] ssize_t read_bytes = read(wake_fd_, &count, sizeof count);
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
        entry e = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (e.waiting) {
            (*e.waiting->request)();
        } else {
            e.posted();
            e.posted = nullptr; // released here, on the thread that ran it
        }
        lock.lock();
        if (e.waiting) {
            e.waiting->done = true;
            served_.notify_all();
        }
    }
}
