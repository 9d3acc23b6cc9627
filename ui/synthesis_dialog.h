// Synthesis: the value of one field (w1, w2, h, d or epsilon_r) that gives a target Z0,
// searched on the worker with the caption's progress and a Cancel. The value found can
// be written into its field; a target out of reach shows the range searched.
#pragma once

#include "ui/study_window.h"

#include <QLineEdit>

#include <optional>
#include <string>
#include <utility>

class synthesis_dialog : public study_window {
    Q_OBJECT

  public:
    synthesis_dialog(calculator_dialog &calculator, QWidget *owner);

    QLineEdit *target_field() const { return target_; }
    QPushButton *use_button() const { return use_; }

  private:
    void run();
    void use_value();

    QLineEdit *target_;
    QPushButton *use_;
    // The field and its value in millimetres (the field's own units) when one was found.
    std::optional<std::pair<input_field, std::wstring>> found_;
};
