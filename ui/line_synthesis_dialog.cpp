// The synthesis dialog's fields, its search on the runner and Use Value.
#include "ui/line_synthesis_dialog.h"

#include "input/number_syntax.h"
#include "studies/text_format.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <memory>

line_synthesis_dialog::line_synthesis_dialog(std::function<line_form *()> form, QWidget *owner)
    : QDialog(owner), form_(std::move(form)) {
    setObjectName(QStringLiteral("line_synthesis"));
    setWindowTitle(QStringLiteral("Synthesize"));
    auto *column = new QVBoxLayout(this);
    auto *fields = new QFormLayout;
    target_ = new QComboBox(this);
    goal_ = new QLineEdit(QStringLiteral("50"), this);
    option_ = new QComboBox(this);
    fields->addRow(QStringLiteral("&Target:"), target_);
    fields->addRow(QStringLiteral("&Value (Ohm):"), goal_);
    fields->addRow(QStringLiteral("&Unknown:"), option_);
    column->addLayout(fields);
    state_ = new QLabel(this);
    state_->setWordWrap(true);
    column->addWidget(state_);
    auto *box = new QDialogButtonBox(this);
    auto *solve = box->addButton(QStringLiteral("&Solve"), QDialogButtonBox::ActionRole);
    use_ = box->addButton(QStringLiteral("&Use Value"), QDialogButtonBox::AcceptRole);
    use_->setEnabled(false);
    box->addButton(QDialogButtonBox::Close);
    column->addWidget(box);
    connect(solve, &QPushButton::clicked, this, &line_synthesis_dialog::run);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(use_, &QPushButton::clicked, this, [this] {
        if (!result_ || !found_for_) return;
        // The value lies on the search's grid: ten digits write it exactly.
        form_()->set_text_mm(*found_for_,
                             QString::fromStdString(printf_string("%.10g", result_->value)));
        accept();
    });
    connect(&runner_, &newest_runner::busy_changed, this, [this](bool busy) {
        if (busy) state_->setText(QStringLiteral("Searching..."));
    });
}

void line_synthesis_dialog::prepare(line_type type, length_unit unit) {
    unit_ = unit;
    target_->clear();
    if (line_signal_count(type) == 2) {
        target_->addItem(QStringLiteral("Zdiff"), int(line_target::zdiff));
        target_->addItem(QStringLiteral("Zcommon"), int(line_target::zcommon));
    } else {
        target_->addItem(QStringLiteral("Z0"), int(line_target::z0));
    }
    line_option_choices(option_, type, unit, false);
    result_.reset();
    use_->setEnabled(false);
    state_->clear();
}

bool line_synthesis_dialog::run() {
    std::optional<double> goal = number_finite(goal_->text().trimmed().toStdWString());
    if (!goal || !(*goal > 0)) {
        state_->setText(QStringLiteral("Value '%1' refused: an impedance must be a number > 0")
                            .arg(goal_->text()));
        goal_->setFocus();
        return false;
    }
    line_option option = line_option(option_->currentData().toInt());
    line_target target = line_target(target_->currentData().toInt());
    line_input input = form_()->input_mm();
    use_->setEnabled(false);
    double tolerance = default_tolerance_percent / 100;
    runner_.request([this, input, option, target, goal = *goal,
                     tolerance](const calc_env &env) -> std::function<void()> {
        auto s = std::make_shared<line_synthesis>(
            line_synthesize(input, option, target, goal, tolerance, env));
        if (s->cancelled) return {};
        return [this, s, option] {
            result_ = *s;
            found_for_ = option;
            const line_option_spec &o = line_option_spec_of(option);
            bool length = o.unit == field_unit::length;
            double shown = length ? s->value / length_unit_mm(unit_) : s->value;
            QString unit = length ? QString::fromWCharArray(length_unit_label(unit_)) : QString();
            if (s->found) {
                state_->setText(QStringLiteral("%1 = %2 %3 gives %4 = %5 Ohm")
                                    .arg(QString::fromUtf8(o.spelling),
                                         QString::fromStdString(printf_string("%.8g", shown)), unit,
                                         target_->currentText())
                                    .arg(line_target_figure(
                                             s->best, line_target(target_->currentData().toInt())),
                                         0, 'f', 6));
            } else {
                state_->setText(
                    s->failure.empty()
                        ? QStringLiteral("No value of %1 gives it in the range searched")
                              .arg(QString::fromUtf8(o.spelling))
                        : QString::fromStdWString(s->failure));
            }
            use_->setEnabled(s->found);
        };
    });
    return true;
}
