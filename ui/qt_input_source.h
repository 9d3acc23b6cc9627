// Validation's view of the calculator dialog: the field texts (in millimetres), the
// result list, and the process's standard output for the value of a refused p.
#pragma once

#include "input/read_inputs.h"
#include "ui/calculator_dialog.h"

#include <cstdio>

class qt_input_source final : public input_source {
  public:
    explicit qt_input_source(calculator_dialog &window) : window_(window) {}
    void clear_results() override { window_.clear_results(); }
    void add_line(const wchar_t *text) override {
        window_.add_result_line(QString::fromWCharArray(text));
    }
    std::wstring fetch_text(input_field field) override {
        return window_.field_text_mm(field).toStdWString();
    }
    void print_diagnostic(const char *line) override {
        std::fputs(line, stdout);
        std::fflush(stdout);
    }

  private:
    calculator_dialog &window_;
};
