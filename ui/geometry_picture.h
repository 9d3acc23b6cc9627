// Control 1000: the geometry drawing, stretched into the picture rectangle and combined
// with what lies beneath by AND, so that its white ground takes the window's colour.
// With a strip thickness (accurate variant) the strips are drawn thick and marked t.
#pragma once

#include <QPixmap>
#include <QWidget>

class geometry_picture : public QWidget {
    Q_OBJECT

  public:
    geometry_picture(const QPixmap &bitmap, QWidget *parent);

    // The thickness text as entered; empty, zero or no number: the flat strips.
    void set_thickness(const QString &text);
    bool shows_thickness() const { return thick_; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QPixmap bitmap_;
    bool thick_ = false;
};
