// The synthesis dialog.
#include "ui/synthesis_dialog.h"

#include "input/number_syntax.h"
#include "studies/study_report.h"

#include <QDialogButtonBox>
#include <QFormLayout>

#include <memory>

namespace {

constexpr input_field solvable[] = {input_field::w1, input_field::w2, input_field::h,
                                    input_field::d, input_field::epsilon_r};

} // namespace

synthesis_dialog::synthesis_dialog(calculator_dialog &calculator, QWidget *owner)
    : study_window(calculator, owner, QStringLiteral("Synthesize"), QStringLiteral("&Run")) {
    auto *form = new QFormLayout(this);
    target_ = new QLineEdit(QStringLiteral("50"), this);
    target_->setToolTip(QStringLiteral("The characteristic impedance to reach, in ohms"));
    add_input(target_);
    form->addRow(QStringLiteral("&Target Z0 (Ohm):"), target_);
    for (input_field f : solvable)
        field_->addItem(QString::fromUtf8(field_spec_of(f).label));
    field_->setToolTip(
        QStringLiteral("The field whose value is searched; the other fields keep their values"));
    form->addRow(QStringLiteral("&Solve for:"), field_);
    status_->setMinimumWidth(360);
    form->addRow(status_);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(run_, QDialogButtonBox::ActionRole);
    use_ = buttons->addButton(QStringLiteral("&Use Value"), QDialogButtonBox::ApplyRole);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    auto *close = buttons->addButton(QDialogButtonBox::Close);
    form->addRow(buttons);
    use_->setEnabled(false);
    run_->setDefault(true);
    connect(run_, &QPushButton::clicked, this, &synthesis_dialog::run);
    connect(use_, &QPushButton::clicked, this, &synthesis_dialog::use_value);
    connect(close, &QPushButton::clicked, this, &synthesis_dialog::reject);
}

void synthesis_dialog::run() {
    if (!may_start()) return;
    std::optional<double> typed = number_finite(target_->text().trimmed().toStdWString());
    double target = typed.value_or(0);
    if (!(target > 0 && target < 1e6)) {
        status_->setText(QStringLiteral("The target Z0 must be a positive number of ohms"));
        target_->setFocus();
        return;
    }
    solver_variant variant = calculator_.accurate_action()->isChecked() ? solver_variant::accurate
                                                                        : solver_variant::specified;
    calc_params params{};
    if (!calculator_.validate(params, variant)) {
        status_->setText(QStringLiteral("A field is refused: see the result list"));
        return;
    }
    found_.reset();
    use_->setEnabled(false);
    input_field which = solvable[field_->currentIndex()];
    field_texts texts = calculator_.field_texts_mm();
    // The value lands on what the window's unit can mean (0.1 um, 0.01 mil).
    double resolution = field_is_length(which) ? length_unit_resolution_mm(calculator_.unit())
                                               : study_default_resolution;
    auto outcome = std::make_shared<synthesis>();
    status_->setText(QStringLiteral("Searching..."));
    start(
        QStringLiteral("Synthesizing"), 0,
        [=](const calc_env &env, const study_watch &watch) {
            *outcome = study_synthesize(texts, which, target, resolution, variant, env, watch);
        },
        [this, outcome, which, target, variant] {
            QStringList lines;
            for (const std::string &line : synthesis_report(*outcome, which, target, variant)) {
                lines << QString::fromStdString(line);
                calculator_.append_result_line(lines.back());
            }
            status_->setText(lines.join('\n'));
            if (outcome->found) {
                found_.emplace(which, outcome->best.value);
                use_->setEnabled(true);
            }
        });
}

// The value was searched in millimetres, on the grid of the window's unit; the field
// shows it in that unit and keeps the millimetres, so the Z0 reported is the field's.
void synthesis_dialog::use_value() {
    if (!found_) return;
    calculator_.set_field_text_mm(found_->first, QString::fromStdWString(found_->second));
}
