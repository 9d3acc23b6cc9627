// Worker requests to the user-interface thread.
#include "worker_host.h"

#include "plot_window.h"
#include "qt_layer.h"

#include <semaphore>

void worker_host::set_calculate_enabled(bool enabled) {
    window_.requests().run([this, enabled] {
        if (enabled) {
            window_.calculation_ended();
        } else {
            window_.calculate_button()->setEnabled(false);
        }
    });
}

void worker_host::append_line(const wchar_t *text) {
    window_.line_from_worker(text);
}

bool worker_host::plot_box_checked() {
    bool checked = false;
    window_.requests().run([this, &checked] { checked = window_.plot_box_checked_alone(); });
    return checked;
}

// The window lives on the user-interface thread, which keeps running its own loop while
// the plot is open; the worker waits here, so the mesh and the charges it borrowed stay
// untouched until the user closes it.
void worker_host::show_plot(const plot_request &request) {
    std::binary_semaphore closed(0);
    window_.requests().run([this, &request, &closed] {
        auto *plot = new plot_window(request, &window_);
        QObject::connect(plot, &QDialog::finished, plot, [plot, &closed] {
            plot->deleteLater();
            closed.release();
        });
        plot->open();
    });
    closed.acquire();
}
