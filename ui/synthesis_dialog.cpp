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
    : QDialog(owner), calculator_(calculator) {
    setWindowTitle(QStringLiteral("Synthesize"));
    auto *form = new QFormLayout(this);
    target_ = new QLineEdit(QStringLiteral("50"), this);
    target_->setToolTip(QStringLiteral("The characteristic impedance to reach, in ohms"));
    form->addRow(QStringLiteral("&Target Z0 (Ohm):"), target_);
    field_ = new QComboBox(this);
    for (input_field f : solvable)
        field_->addItem(QString::fromUtf8(field_spec_of(f).label));
    field_->setToolTip(
        QStringLiteral("The field whose value is searched; the other fields keep their values"));
    form->addRow(QStringLiteral("&Solve for:"), field_);
    result_ = new QLabel(this);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setMinimumWidth(360);
    form->addRow(result_);
    auto *buttons = new QDialogButtonBox(this);
    run_ = buttons->addButton(QStringLiteral("&Run"), QDialogButtonBox::ActionRole);
    use_ = buttons->addButton(QStringLiteral("&Use Value"), QDialogButtonBox::ApplyRole);
    cancel_ = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    auto *close = buttons->addButton(QDialogButtonBox::Close);
    form->addRow(buttons);
    use_->setEnabled(false);
    cancel_->setEnabled(false);
    run_->setDefault(true);
    connect(run_, &QPushButton::clicked, this, &synthesis_dialog::run);
    connect(use_, &QPushButton::clicked, this, &synthesis_dialog::use_value);
    connect(cancel_, &QPushButton::clicked, this, [this] { calculator_.cancel_study(); });
    connect(close, &QPushButton::clicked, this, &synthesis_dialog::reject);
}

void synthesis_dialog::set_running(bool running) {
    running_ = running;
    run_->setEnabled(!running);
    cancel_->setEnabled(running);
    target_->setEnabled(!running);
    field_->setEnabled(!running);
}

void synthesis_dialog::run() {
    // One job at a time: the caption and the result list follow one job.
    if (calculator_.busy()) {
        result_->setText(QStringLiteral("Wait for the running calculation to end"));
        return;
    }
    std::optional<double> typed = number_finite(target_->text().trimmed().toStdWString());
    double target = typed.value_or(0);
    if (!(target > 0 && target < 1e6)) {
        result_->setText(QStringLiteral("The target Z0 must be a positive number of ohms"));
        target_->setFocus();
        return;
    }
    solver_variant variant = calculator_.accurate_action()->isChecked() ? solver_variant::accurate
                                                                        : solver_variant::specified;
    calc_params params{};
    if (!calculator_.validate(params, variant)) {
        result_->setText(QStringLiteral("A field is refused: see the result list"));
        return;
    }
    found_.reset();
    close_when_done_ = false;
    use_->setEnabled(false);
    input_field which = solvable[field_->currentIndex()];
    field_texts texts = calculator_.field_texts_mm();
    // The value lands on what the window's unit can mean (0.1 um, 0.01 mil).
    double resolution = field_is_length(which) ? length_unit_resolution_mm(calculator_.unit())
                                               : study_default_resolution;
    auto outcome = std::make_shared<synthesis>();
    result_->setText(QStringLiteral("Searching..."));
    set_running(true);
    bool started = calculator_.run_study(
        QStringLiteral("Synthesizing"), 0,
        [=](const calc_env &env, const study_watch &watch) {
            *outcome = study_synthesize(texts, which, target, resolution, variant, env, watch);
        },
        [this, outcome, which, target, variant] {
            set_running(false);
            QStringList lines;
            for (const std::string &line : synthesis_report(*outcome, which, target, variant)) {
                lines << QString::fromStdString(line);
                calculator_.append_result_line(lines.back());
            }
            result_->setText(lines.join('\n'));
            if (close_when_done_) QDialog::reject();
            if (outcome->found) {
                found_.emplace(which, outcome->best.value);
                use_->setEnabled(true);
            }
        });
    if (!started) set_running(false);
}

// The value was searched in millimetres; the field shows it in the window's unit.
void synthesis_dialog::use_value() {
    if (!found_) return;
    auto [which, value] = *found_;
    std::wstring shown = field_is_length(which)
                             ? length_text_convert(value, length_unit::mm, calculator_.unit())
                             : value;
    calculator_.set_field_text(which, QString::fromStdWString(shown));
}

// Escape or Close while searching cancels the search first; the dialog closes once it
// has stopped, so no late result lands in a closed dialog.
void synthesis_dialog::reject() {
    if (running_) {
        close_when_done_ = true;
        calculator_.cancel_study();
        return;
    }
    QDialog::reject();
}
