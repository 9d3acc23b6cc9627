// The calculation job's window operations, seen from the worker thread: each one is a
// synchronous request to the user-interface thread, and the plot is shown there while
// the worker waits for it to be closed. The run's figures and charge table are kept in
// the window for Copy and Export.
#pragma once

#include "core/base/calc_host.h"
#include "ui/calculator_dialog.h"

class worker_host final : public calc_host {
  public:
    worker_host(calculator_dialog &window, solver_variant variant)
        : window_(window), variant_(variant) {}
    void set_calculate_enabled(bool enabled) override;
    void append_line(const wchar_t *text) override;
    bool plot_box_checked() override;
    void show_plot(const plot_request &request) override;
    void finished(const calc_outcome &outcome) override;

  private:
    calculator_dialog &window_;
    solver_variant variant_;
};
