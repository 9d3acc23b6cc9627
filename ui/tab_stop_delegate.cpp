// The result list's item painter: the style draws the row (selection, focus), the text
// is drawn over it with the template's tab stops.
#include "ui/tab_stop_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextOption>

tab_stop_delegate::tab_stop_delegate(int tab_stop_pixels, QObject *parent)
    : QStyledItemDelegate(parent), tab_stop_(tab_stop_pixels) {}

void tab_stop_delegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const {
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    QString text = row.text;
    row.text.clear();
    QStyle *style = row.widget ? row.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);

    QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &row, row.widget);
    QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
    layout.setWrapMode(QTextOption::NoWrap);
    layout.setTabStopDistance(tab_stop_);
    bool selected = row.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(row.font);
    painter->setPen(
        row.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(area, text, layout);
    painter->restore();
}

QSize tab_stop_delegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QString text = index.data(Qt::DisplayRole).toString();
    int width = option.fontMetrics.horizontalAdvance(text);
    if (text.startsWith(QLatin1Char('\t'))) width += tab_stop_;
    return {std::max(size.width(), width + 8), size.height()};
}
