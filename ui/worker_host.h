// The calculation job's window operations, seen from the worker thread: each one is a
// synchronous request to the user-interface thread, and the plot is shown there while
// the worker waits for it to be closed.
#pragma once

#include "../core/calc_job.h"
#include "main_window.h"

class worker_host final : public calc_host {
  public:
    explicit worker_host(main_window &window) : window_(window) {}
    void set_calculate_enabled(bool enabled) override;
    void append_line(const wchar_t *text) override;
    bool plot_box_checked() override;
    void show_plot(const plot_request &request) override;

  private:
    main_window &window_;
};
