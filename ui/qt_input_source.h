// Validation's view of the main window: the field texts (in millimetres) and the result
// list. The last field fetched is the one a refusal is about.
#pragma once

#include "input/read_inputs.h"
#include "ui/main_window.h"

class qt_input_source final : public input_source {
  public:
    explicit qt_input_source(main_window &window) : window_(window) {}
    void clear_results() override { window_.clear_results(); }
    void add_line(const wchar_t *text) override {
        window_.add_result_line(QString::fromWCharArray(text));
    }
    void fetch_text(input_field control, wchar_t *buffer, std::size_t capacity) override {
        last_ = control;
        copy_field_text(window_.field_text_mm(control).toStdWString(), buffer, capacity);
    }
    input_field last_fetched() const { return last_; }

  private:
    main_window &window_;
    input_field last_ = input_field::w1;
};
