// Control 1000: the geometry drawing, stretched into the picture rectangle and combined
// with what lies beneath by AND, so that its white ground takes the window's colour.
#pragma once

#include <QPixmap>
#include <QWidget>

class geometry_picture : public QWidget {
  public:
    geometry_picture(const QPixmap &bitmap, QWidget *parent);

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QPixmap bitmap_;
};
