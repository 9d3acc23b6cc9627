// The job's window operations as requests to the user-interface thread.
#include "ui/worker_host.h"

#include "studies/charge_table.h"
#include "ui/plot_window.h"
#include "ui/qt_layer.h"

#include <cstdio>
#include <cstdlib>
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
        auto *plot = new plot_window(request, window_.unit(), &window_);
        QObject::connect(plot, &QDialog::finished, plot, [plot, &closed] {
            plot->deleteLater();
            closed.release();
        });
        plot->open();
    });
    closed.acquire();
}

// The charge table is written here, while the job still owns the mesh and the charges;
// the lines are taken when the run has ended.
void worker_host::finished(const calc_outcome &outcome) {
    last_run run{{}, outcome, variant_, {}};
    if (outcome.ok && outcome.charges) {
        char *text = nullptr;
        std::size_t size = 0;
        if (std::FILE *table = open_memstream(&text, &size)) {
            bool written = write_charge_table(table, *outcome.charges);
            std::fclose(table);
            if (written) run.charges_csv.assign(text, size);
        }
        std::free(text);
    }
    window_.requests().run([this, &run] { window_.keep_result(std::move(run)); });
}
