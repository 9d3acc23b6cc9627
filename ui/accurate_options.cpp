// The accurate options dialog.
#include "ui/accurate_options.h"

#include "input/number_syntax.h"
#include "input/read_inputs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The refusal lines of validation, caught for the dialog's message.
void keep_line(void *lines, const wchar_t *text) {
    static_cast<std::vector<std::wstring> *>(lines)->emplace_back(text);
}

QWidget *with_unit(QLineEdit *field, const QString &unit, QWidget *parent) {
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(new QLabel(unit, row));
    return row;
}

} // namespace

double tolerance_from_text(const QString &text) {
    std::wstring copy = text.trimmed().toStdWString();
    if (!copy.empty() && copy.back() == L'%') copy.pop_back();
    std::optional<double> percent = number_finite(copy);
    if (!percent || !(*percent > 0 && *percent < 100)) return -1;
    return *percent;
}

QString tolerance_text(double percent) {
    return QString::number(percent, 'g', 12);
}

accurate_options_dialog::accurate_options_dialog(QWidget *owner, const QString &title,
                                                 const QString &accept_text, length_unit unit,
                                                 double h_mm)
    : QDialog(owner), unit_(unit), h_mm_(h_mm) {
    setWindowTitle(title);
    auto *form = new QFormLayout(this);
    thickness_ = new QLineEdit(this);
    thickness_->setToolTip(QStringLiteral("Thickness of both strips' copper, from 0 (flat "
                                          "strips) up to h; the accurate variant only"));
    tolerance_ = new QLineEdit(this);
    tolerance_->setToolTip(QStringLiteral(
        "The convergence study refines the panels until the estimated errors of Z0 and of "
        "the effective permittivity are within this many percent"));
    form->addRow(QStringLiteral("Strip &thickness t:"),
                 with_unit(thickness_, QString::fromWCharArray(length_unit_label(unit)), this));
    form->addRow(QStringLiteral("Con&vergence tolerance:"),
                 with_unit(tolerance_, QStringLiteral("%"), this));
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    form->addRow(message_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(accept_text);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void accurate_options_dialog::set_values(const QString &thickness, double tolerance_percent) {
    thickness_->setText(thickness);
    tolerance_->setText(tolerance_text(tolerance_percent));
    tolerance_percent_ = tolerance_percent;
}

void accurate_options_dialog::accept() {
    // The thickness goes through the fields' own validation, against the slab's h.
    std::vector<std::wstring> lines;
    calc_params params{};
    params.h = std::isfinite(h_mm_) ? h_mm_ * 0.001 : INFINITY;
    std::wstring mm =
        length_text_convert(thickness_->text().toStdWString(), unit_, length_unit::mm);
    calc_env env;
    env.sinks = {keep_line, keep_line, &lines};
    if (read_thickness(mm, &params, env) != 0) {
        QString why;
        for (const std::wstring &line : lines)
            why += QString::fromStdWString(line) + ' ';
        message_->setText(why.trimmed());
        thickness_->setFocus();
        thickness_->selectAll();
        return;
    }
    double percent = tolerance_from_text(tolerance_->text());
    if (percent < 0) {
        message_->setText(
            QStringLiteral("The tolerance must be a percentage above 0 and below 100"));
        tolerance_->setFocus();
        tolerance_->selectAll();
        return;
    }
    tolerance_percent_ = percent;
    QDialog::accept();
}
