// The chooser's items: name, tooltip, and the picture of the start cross-section.
#include "ui/line_chooser.h"

#include "input/fields.h"
#include "input/line_options.h"
#include "input/number_syntax.h"
#include "studies/line_study.h"
#include "ui/section_picture.h"

namespace {

constexpr QSize icon_size(80, 50);

// The two-strip line as its fields start, in metres.
cross_section two_strip_start() {
    auto metres = [](input_field f) {
        return number_finite(field_spec_of(f).start).value_or(0) / 1000;
    };
    calc_params p{metres(input_field::w1),
                  metres(input_field::w2),
                  metres(input_field::h),
                  metres(input_field::d),
                  number_finite(field_spec_of(input_field::epsilon_r).start).value_or(1),
                  metres(input_field::p),
                  0,
                  metres(input_field::t)};
    cross_section section{};
    xs_line(calc_env{}, p, section);
    return section;
}

cross_section start_section(line_type type) {
    if (type == line_type::two_strip) return two_strip_start();
    cross_section section{};
    std::wstring reason;
    line_build(line_input_start(type), section, reason);
    return section;
}

} // namespace

line_chooser::line_chooser(QWidget *parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("line_chooser"));
    setIconSize(icon_size);
    setSpacing(2);
    setUniformItemSizes(true);
    setWordWrap(true);
    for (const line_type_spec &t : line_type_specs()) {
        auto *item = new QListWidgetItem(QIcon(section_icon(start_section(t.type), icon_size)),
                                         QString::fromUtf8(t.label), this);
        item->setToolTip(
            QStringLiteral("%1: %2").arg(QString::fromUtf8(t.name), QString::fromUtf8(t.meaning)));
        item->setData(Qt::UserRole, int(t.type));
    }
    setCurrentRow(0);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit chosen(type());
    });
}

line_type line_chooser::type() const {
    QListWidgetItem *item = currentItem();
    return item ? line_type(item->data(Qt::UserRole).toInt()) : line_type::two_strip;
}

void line_chooser::select(line_type type) {
    for (int i = 0; i < count(); ++i) {
        if (line_type(item(i)->data(Qt::UserRole).toInt()) == type) setCurrentRow(i);
    }
}
