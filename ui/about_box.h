// The About box: version, contact, what the calculator does and its
// licence. Close and Enter close it; Escape does not.
#pragma once

#include <QDialog>

class about_box : public QDialog {
    Q_OBJECT

  public:
    explicit about_box(QWidget *owner);

  protected:
    void keyPressEvent(QKeyEvent *event) override;
};
