// The accurate variant's options: the strip thickness t (in the window's length unit,
// the fields' number syntax and refusals) and the convergence study's tolerance in
// percent. The same dialog starts the convergence study, with its button saying so.
#pragma once

#include "input/length_units.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

class accurate_options_dialog : public QDialog {
    Q_OBJECT

  public:
    // h_mm: the slab thickness the strips must not exceed (infinity when not known).
    accurate_options_dialog(QWidget *owner, const QString &title, const QString &accept_text,
                            length_unit unit, double h_mm);

    // The thickness in the window's unit, the tolerance in percent.
    void set_values(const QString &thickness, double tolerance_percent);
    QString thickness() const { return thickness_->text(); }
    double tolerance_percent() const { return tolerance_percent_; }
    QLineEdit *thickness_field() const { return thickness_; }
    QLineEdit *tolerance_field() const { return tolerance_; }
    QLabel *message() const { return message_; }

    // Accepts only when both texts are; otherwise says why beside them.
    void accept() override;

  private:
    length_unit unit_;
    double h_mm_;
    QLineEdit *thickness_;
    QLineEdit *tolerance_;
    QLabel *message_;
    double tolerance_percent_ = default_tolerance_percent;
};

// Reads a tolerance typed in percent ("0.05" or "0.05%"): the percentage, in (0, 100),
// or -1.
double tolerance_from_text(const QString &text);
// A tolerance in percent as the dialog shows it.
QString tolerance_text(double percent);
