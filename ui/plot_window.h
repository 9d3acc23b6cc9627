// The "Free Charge Density" window: the chart of the slab problem's free charge on the
// two strips, filling the whole client area and redrawn at every size. Escape does not
// close it; only its close button does.
#pragma once

#include "core/base/calc_host.h"

#include <QDialog>

class plot_window : public QDialog {
    Q_OBJECT

  public:
    plot_window(const plot_request &request, QWidget *owner);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    plot_request request_;
};
