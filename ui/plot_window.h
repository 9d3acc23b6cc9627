// The "Free Charge Density" window, redrawn at every size. For the specified variant it
// is the chart of the slab problem's free charge on the two strips, bars filling the
// whole client area; for the accurate variant, each conductor's charge round its outline
// and the ground plane's along it, on labelled axes in the window's unit. Escape does
// not close it; only its close button does.
#pragma once

#include "core/base/calc_host.h"
#include "input/length_units.h"
#include "ui/painting/charge_panes.h"

#include <QDialog>

#include <vector>

class plot_window : public QDialog {
    Q_OBJECT

  public:
    plot_window(const plot_request &request, length_unit unit, QWidget *owner);

    // The accurate variant's panes (none for the specified variant's bars).
    const std::vector<charge_pane> &panes() const { return panes_; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void paint_bars(QPainter &painter);
    void paint_pane(QPainter &painter, const charge_pane &pane, QRectF area);

    plot_request request_;
    std::vector<charge_pane> panes_;
};
