// The few window operations the calculator needs, met with Qt's own means: synchronous
// requests from the worker to the user-interface thread, dialog-unit layout from a
// font, and the "checked alone" state of a check box.
#pragma once

#include "dialog_units.h"

#include <QFont>
#include <QObject>
#include <QWidget>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// Synchronous requests to the user-interface thread. A request waits in a queue of our
// own, guarded by a std::mutex, and an eventfd wakes the thread's event loop to serve
// it; no data passes through Qt's event queue, whose locks the thread checker cannot
// see. Created on the user-interface thread, as a child of the window it serves.
class ui_requests final : public QObject {
  public:
    explicit ui_requests(QObject *parent);
    // Requests still waiting are released unserved: their window is gone.
    ~ui_requests() override;

    // Runs the request on the user-interface thread and returns when it has run, or
    // when it was released unserved; on that thread itself it runs at once. The
    // caller's data stays valid for the request.
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

// The font's average character width (the mean of the 52 Latin letters, rounded) and
// its line height, the bases of dialog units.
dialog_base_units font_base_units(const QFont &font);

// Places a child at a rectangle given in dialog units.
void place_in_dialog_units(QWidget *widget, pixel_rect units, dialog_base_units base);

// A font like the desktop's, at the point size a window template names.
QFont template_font(int point_size);
