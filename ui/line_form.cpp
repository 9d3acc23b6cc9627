// The line type's form: one row per option, in the table's order.
#include "ui/line_form.h"

#include <QFormLayout>
#include <QSignalBlocker>

line_form::line_form(line_type type, QWidget *parent) : QWidget(parent), type_(type) {
    auto *layout = new QFormLayout(this);
    layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const line_option_spec &o : line_option_specs()) {
        if (!line_option_applies(o.option, type)) continue;
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromUtf8(o.spelling));
        QString tip = QString::fromUtf8(o.meaning);
        tip[0] = tip[0].toUpper();
        if (o.keyword)
            tip += QStringLiteral("; %1 or a number").arg(QString::fromWCharArray(o.keyword));
        if (o.unit == field_unit::length)
            tip += QStringLiteral(". A length may carry its own unit: 62mil, 1.6mm, 35um");
        edit->setToolTip(tip + QLatin1Char('.'));
        // An option without a start text follows epsilon-r's value until it is typed.
        if (o.start)
            edit->setText(QString::fromWCharArray(o.start));
        else
            edit->setPlaceholderText(QStringLiteral("as epsilon-r"));
        auto *label = new QLabel(this);
        label->setBuddy(edit);
        label->setToolTip(edit->toolTip());
        layout->addRow(label, edit);
        fields_[std::size_t(o.option)] = edit;
        labels_[std::size_t(o.option)] = label;
        connect(edit, &QLineEdit::textEdited, this, [this, option = o.option] {
            exact_[std::size_t(option)].reset();
            if (refused_ == option) mark_refused(std::nullopt);
            emit edited();
        });
    }
    label_units();
}

void line_form::label_units() {
    for (const line_option_spec &o : line_option_specs()) {
        QLabel *label = labels_[std::size_t(o.option)];
        if (!label) continue;
        QString name = QString::fromUtf8(o.spelling);
        label->setText(o.unit == field_unit::length
                           ? QStringLiteral("%1 (%2)").arg(
                                 name, QString::fromWCharArray(length_unit_label(unit_)))
                           : name);
    }
}

line_input line_form::input_mm() const {
    line_input input;
    input.type = type_;
    for (const line_option_spec &o : line_option_specs()) {
        QLineEdit *edit = fields_[std::size_t(o.option)];
        if (!edit) continue;
        const auto &exact = exact_[std::size_t(o.option)];
        std::wstring text = edit->text().trimmed().toStdWString();
        if (exact && exact->first == edit->text())
            input.texts[std::size_t(o.option)] = exact->second;
        else
            input.texts[std::size_t(o.option)] =
                o.unit == field_unit::length ? length_text_typed_mm(text, unit_) : text;
    }
    return input;
}

void line_form::set_input_mm(const line_input &input) {
    for (const line_option_spec &o : line_option_specs()) {
        QLineEdit *edit = fields_[std::size_t(o.option)];
        if (!edit) continue;
        const std::wstring &own = input.texts[std::size_t(o.option)];
        std::wstring mm = own.empty() && o.start ? std::wstring(o.start) : own;
        QString shown = QString::fromStdWString(
            o.unit == field_unit::length ? length_text_shown(mm, length_unit::mm, unit_) : mm);
        exact_[std::size_t(o.option)].emplace(shown, mm);
        QSignalBlocker quiet(edit);
        edit->setText(shown);
    }
}

std::optional<line_option> line_form::empty_field(std::wstring &reason) const {
    for (const line_option_spec &o : line_option_specs()) {
        QLineEdit *edit = field(o.option);
        if (edit && o.start && edit->text().trimmed().isEmpty()) {
            reason = L"--" + QString::fromUtf8(o.spelling).toStdWString() + L": type a value";
            return o.option;
        }
    }
    return std::nullopt;
}

void line_form::set_text(line_option option, const QString &text) {
    if (QLineEdit *edit = field(option)) {
        exact_[std::size_t(option)].reset();
        edit->setText(text);
        if (refused_ == option) mark_refused(std::nullopt);
        emit edited();
    }
}

void line_form::set_text_mm(line_option option, const QString &mm_text) {
    QLineEdit *edit = field(option);
    if (!edit) return;
    std::wstring mm = mm_text.toStdWString();
    QString shown = QString::fromStdWString(line_option_spec_of(option).unit == field_unit::length
                                                ? length_text_shown(mm, length_unit::mm, unit_)
                                                : mm);
    edit->setText(shown);
    exact_[std::size_t(option)].emplace(shown, mm);
    if (refused_ == option) mark_refused(std::nullopt);
    emit edited();
}

void line_form::set_unit(length_unit unit) {
    if (unit == unit_) return;
    line_input typed = input_mm();
    unit_ = unit;
    set_input_mm(typed);
    label_units();
}

void line_form::mark_refused(std::optional<line_option> option) {
    if (refused_ && field(*refused_)) field(*refused_)->setPalette(QPalette());
    refused_ = option;
    if (!option || !field(*option)) return;
    QLineEdit *edit = field(*option);
    QPalette tinted = edit->palette();
    tinted.setColor(QPalette::Base, QColor(255, 220, 220));
    edit->setPalette(tinted);
    edit->setFocus(Qt::OtherFocusReason);
}

void line_option_choices(QComboBox *box, line_type type, length_unit unit, bool with_keywords) {
    QVariant kept = box->currentData();
    box->clear();
    for (const line_option_spec &o : line_option_specs()) {
        if (!line_option_applies(o.option, type) || (o.keyword && !with_keywords)) continue;
        QString name = QString::fromUtf8(o.spelling);
        if (o.unit == field_unit::length)
            name += QStringLiteral(" (%1)").arg(QString::fromWCharArray(length_unit_label(unit)));
        box->addItem(name, int(o.option));
    }
    int at = box->findData(kept);
    box->setCurrentIndex(at >= 0 ? at : 0);
}
