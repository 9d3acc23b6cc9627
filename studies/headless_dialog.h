// A dialog without a window: field texts in, lines out, no plot, and nothing to enable.
// The command line, each study point and the inputs fuzz target are such dialogs; each
// says what it does with a line and with the outcome.
#pragma once

#include "core/job/calc_job.h"
#include "input/read_inputs.h"

#include <string>

class text_dialog : public input_source, public calc_host {
  public:
    // The texts, in the order of input_field, outlive the dialog.
    explicit text_dialog(const std::wstring *texts) : texts_(texts) {}

    void clear_results() override {}
    void add_line(const wchar_t *text) override { append_line(text); }
    void fetch_text(input_field field, wchar_t *buffer, std::size_t capacity) override {
        copy_field_text(texts_[field_index(field)], buffer, capacity);
    }
    void set_calculate_enabled(bool) override {}
    bool plot_box_checked() override { return false; }
    void show_plot(const plot_request &) override {}

    // The message sink of a dialog bound as the sinks' context: its lines.
    static void sink(void *dialog, const wchar_t *text) {
        static_cast<text_dialog *>(dialog)->append_line(text);
    }

  private:
    const std::wstring *texts_;
};
