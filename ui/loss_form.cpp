// The loss options' rows, their units and which of them apply.
#include "ui/loss_form.h"

#include "input/line_options.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

namespace {

// The options chosen from a list (the first entry is the default); the others are typed.
QStringList choices_of(std::string_view spelling) {
    if (spelling == "roughness")
        return {QStringLiteral("none"), QStringLiteral("hammerstad"), QStringLiteral("huray")};
    if (spelling == "dielectric-model")
        return {QString(), QStringLiteral("constant"), QStringLiteral("wideband-debye")};
    return {};
}

// The options read in the window's length unit.
bool is_length(std::string_view spelling) {
    return spelling == "roughness-rms" || spelling == "ball-radius";
}

QString field_text(const QWidget *field) {
    if (auto *box = qobject_cast<const QComboBox *>(field)) return box->currentData().toString();
    return static_cast<const QLineEdit *>(field)->text().trimmed();
}

// Whether a row applies: a loss tangent to the layers the type has (none to a file), a
// roughness parameter to its model.
bool row_applies(std::string_view spelling, std::optional<line_type> type,
                 const QString &roughness) {
    if (spelling == "tan-delta") return type.has_value();
    if (spelling == "tan-delta2")
        return type && line_option_applies(line_option::epsilon_r2, *type);
    if (spelling == "tan-delta-mask")
        return type && line_option_applies(line_option::epsilon_mask, *type);
    if (spelling == "roughness-rms") return roughness == QStringLiteral("hammerstad");
    if (spelling == "ball-radius" || spelling == "surface-ratio")
        return roughness == QStringLiteral("huray");
    return true;
}

} // namespace

loss_form::loss_form(QWidget *parent) : QWidget(parent) {
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const loss_option_spec &o : loss_option_specs()) {
        QString tip = QString::fromUtf8(o.meaning);
        tip[0] = tip[0].toUpper();
        QWidget *field;
        if (QStringList choices = choices_of(o.spelling); !choices.isEmpty()) {
            auto *box = new QComboBox(this);
            for (const QString &choice : choices)
                box->addItem(choice.isEmpty() ? QStringLiteral("(the line's own)") : choice,
                             choice);
            connect(box, &QComboBox::currentIndexChanged, this, &loss_form::enable_rows);
            field = box;
        } else {
            auto *edit = new QLineEdit(this);
            edit->setPlaceholderText(QString::fromUtf8(o.start));
            connect(edit, &QLineEdit::returnPressed, this, &loss_form::submitted);
            field = edit;
        }
        field->setObjectName(QString::fromUtf8(o.spelling));
        field->setToolTip(tip + QLatin1Char('.'));
        auto *label = new QLabel(this);
        label->setBuddy(field);
        label->setToolTip(field->toolTip());
        form->addRow(label, field);
        fields_.push_back(field);
        labels_.push_back(label);
    }
    prepare(std::nullopt, unit_);
}

QWidget *loss_form::field(std::string_view spelling) const {
    for (std::size_t k = 0; k < loss_option_specs().size(); ++k)
        if (spelling == loss_option_specs()[k].spelling) return fields_[k];
    return nullptr;
}

void loss_form::prepare(std::optional<line_type> type, length_unit unit) {
    type_ = type;
    for (std::size_t k = 0; k < loss_option_specs().size(); ++k) {
        const char *spelling = loss_option_specs()[k].spelling;
        QString name = QString::fromUtf8(spelling);
        if (!is_length(spelling)) {
            labels_[k]->setText(name + QLatin1Char(':'));
            continue;
        }
        auto *edit = static_cast<QLineEdit *>(fields_[k]);
        edit->setText(QString::fromStdWString(
            length_text_convert(edit->text().trimmed().toStdWString(), unit_, unit)));
        labels_[k]->setText(
            QStringLiteral("%1 (%2):").arg(name, QString::fromWCharArray(length_unit_label(unit))));
    }
    unit_ = unit;
    enable_rows();
}

void loss_form::enable_rows() {
    QString roughness = field_text(field("roughness"));
    for (std::size_t k = 0; k < loss_option_specs().size(); ++k) {
        bool on = row_applies(loss_option_specs()[k].spelling, type_, roughness);
        fields_[k]->setEnabled(on);
        labels_[k]->setEnabled(on);
    }
}

QWidget *loss_form::read(loss_input &loss, std::string &why) const {
    for (std::size_t k = 0; k < loss_option_specs().size(); ++k) {
        QString typed = field_text(fields_[k]);
        if (!fields_[k]->isEnabled() || typed.isEmpty()) continue;
        why = loss_option_set(loss, loss_option_specs()[k].spelling, typed.toStdString(), unit_);
        if (!why.empty()) return fields_[k];
    }
    return nullptr;
}
