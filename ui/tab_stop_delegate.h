// Draws the result list's lines with tab stops every 32 dialog units, as the template's
// list expands them, so that the lines that begin with a tab appear indented by a
// fixed step whatever the list's own default.
#pragma once

#include <QStyledItemDelegate>

class tab_stop_delegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    tab_stop_delegate(int tab_stop_pixels, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

  private:
    int tab_stop_;
};
