// Synthesis: the value of one field (w1, w2, h, d or epsilon_r) that gives a target Z0,
// searched on the worker with the caption's progress and a Cancel. The value found can
// be written into its field; a target out of reach shows the range searched.
#pragma once

#include "ui/calculator_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

class synthesis_dialog : public QDialog {
    Q_OBJECT

  public:
    synthesis_dialog(calculator_dialog &calculator, QWidget *owner);

    QLineEdit *target_field() const { return target_; }
    QComboBox *field_choice() const { return field_; }
    QPushButton *run_button() const { return run_; }
    QPushButton *cancel_button() const { return cancel_; }
    QPushButton *use_button() const { return use_; }
    QLabel *result_label() const { return result_; }

    // Escape or Close: during a search it cancels the search first.
    void reject() override;

  private:
    void run();
    void use_value();
    void set_running(bool running);

    calculator_dialog &calculator_;
    QLineEdit *target_;
    QComboBox *field_;
    QPushButton *run_, *cancel_, *use_;
    QLabel *result_;
    bool running_ = false;
    bool close_when_done_ = false;
    // The field and its value in millimetres (the field's own units) when one was found.
    std::optional<std::pair<input_field, std::wstring>> found_;
};
