// A dialog without a window: field texts in, lines out, no plot, and nothing to enable.
// The command line, each study point and the inputs fuzz target are such dialogs; each
// says what it does with a line and with the outcome.
#pragma once

#include "core/base/calc_host.h"
#include "input/read_inputs.h"

#include <span>
#include <string>

class headless_dialog : public input_source, public calc_host {
  public:
    // The texts, in the order of input_field, outlive the dialog; a field beyond their
    // end reads as its start text.
    explicit headless_dialog(std::span<const std::wstring> texts) : texts_(texts) {}

    void clear_results() override {}
    void add_line(const wchar_t *text) override { append_line(text); }
    std::wstring fetch_text(input_field field) override {
        std::size_t i = std::size_t(field_index(field));
        return i < texts_.size() ? texts_[i] : field_spec_of(field).start;
    }
    void set_calculate_enabled(bool) override {}
    bool plot_box_checked() override { return false; }
    void show_plot(const plot_request &) override {}

  private:
    std::span<const std::wstring> texts_;
};
