// The laminate list and its editor.
#include "ui/laminates.h"

#include "input/number_syntax.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

bool number_above(const QString &text, double limit) {
    std::optional<double> value = number_finite(text.trimmed().toStdWString());
    return value && *value > limit;
}

} // namespace

// Typical permittivities at a few gigahertz of generic material classes, at common
// thicknesses.
std::vector<laminate> laminates_builtin() {
    return {
        {QStringLiteral("FR-4 glass epoxy, 1.6 mm"), QStringLiteral("4.4"), QStringLiteral("1.6")},
        {QStringLiteral("FR-4 glass epoxy, 0.8 mm"), QStringLiteral("4.4"), QStringLiteral("0.8")},
        {QStringLiteral("PTFE woven glass, 0.79 mm"), QStringLiteral("2.2"),
         QStringLiteral("0.79")},
        {QStringLiteral("PTFE woven glass, 1.57 mm"), QStringLiteral("2.2"),
         QStringLiteral("1.57")},
        {QStringLiteral("Hydrocarbon ceramic, 0.508 mm"), QStringLiteral("3.55"),
         QStringLiteral("0.508")},
        {QStringLiteral("PTFE ceramic, 0.635 mm"), QStringLiteral("10.2"), QStringLiteral("0.635")},
        {QStringLiteral("Alumina 96%, 0.635 mm"), QStringLiteral("9.8"), QStringLiteral("0.635")},
        {QStringLiteral("Polyimide film, 0.05 mm"), QStringLiteral("3.4"), QStringLiteral("0.05")},
    };
}

std::vector<laminate> laminates_load() {
    QSettings settings;
    int size = settings.beginReadArray(QStringLiteral("laminates"));
    std::vector<laminate> list;
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        list.push_back({settings.value(QStringLiteral("name")).toString(),
                        settings.value(QStringLiteral("epsilon_r")).toString(),
                        settings.value(QStringLiteral("h_mm")).toString()});
    }
    settings.endArray();
    return list.empty() ? laminates_builtin() : list;
}

void laminates_save(const std::vector<laminate> &list) {
    QSettings settings;
    settings.remove(QStringLiteral("laminates"));
    settings.beginWriteArray(QStringLiteral("laminates"), int(list.size()));
    for (int i = 0; i < int(list.size()); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("name"), list[i].name);
        settings.setValue(QStringLiteral("epsilon_r"), list[i].epsilon_r);
        settings.setValue(QStringLiteral("h_mm"), list[i].h_mm);
    }
    settings.endArray();
}

laminate_editor::laminate_editor(const std::vector<laminate> &list, QWidget *owner)
    : QDialog(owner) {
    setWindowTitle(QStringLiteral("Laminates"));
    auto *layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, 3, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("epsilon_r"), QStringLiteral("h (mm)")});
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (const laminate &entry : list)
        add_row(entry);
    layout->addWidget(table_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *add = buttons->addButton(QStringLiteral("&Add"), QDialogButtonBox::ActionRole);
    QPushButton *remove =
        buttons->addButton(QStringLiteral("&Remove"), QDialogButtonBox::ActionRole);
    QPushButton *builtin =
        buttons->addButton(QStringLiteral("&Built-in List"), QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);
    connect(add, &QPushButton::clicked, this, [this] {
        add_row({QStringLiteral("New laminate"), QStringLiteral("4.4"), QStringLiteral("1.6")});
        table_->setCurrentCell(table_->rowCount() - 1, 0);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
    });
    connect(builtin, &QPushButton::clicked, this, [this] {
        table_->setRowCount(0);
        for (const laminate &entry : laminates_builtin())
            add_row(entry);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(460, 320);
}

void laminate_editor::add_row(const laminate &entry) {
    int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, 0, new QTableWidgetItem(entry.name));
    table_->setItem(row, 1, new QTableWidgetItem(entry.epsilon_r));
    table_->setItem(row, 2, new QTableWidgetItem(entry.h_mm));
}

std::vector<laminate> laminate_editor::list() const {
    std::vector<laminate> out;
    for (int row = 0; row < table_->rowCount(); ++row) {
        auto text = [&](int column) {
            QTableWidgetItem *item = table_->item(row, column);
            return item ? item->text().trimmed() : QString();
        };
        if (text(0).isEmpty() || !number_above(text(1), 1 - 1e-12) || !number_above(text(2), 0))
            continue;
        out.push_back({text(0), text(1), text(2)});
    }
    return out;
}
