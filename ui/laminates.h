// A short list of common laminates (name, epsilon_r, thickness in millimetres) that fill
// epsilon_r and h with one choice. The user edits the list; it is kept in the program's
// settings, and the built-in list comes back when it is emptied.
#pragma once

#include <QDialog>
#include <QString>
#include <QTableWidget>

#include <vector>

struct laminate {
    QString name;
    QString epsilon_r; // as it goes into the field
    QString h_mm;      // millimetres, converted to the window's unit when used
};

std::vector<laminate> laminates_builtin();
// The user's list, or the built-in one when none was saved.
std::vector<laminate> laminates_load();
void laminates_save(const std::vector<laminate> &list);

// The editor: one row per laminate, rows added and removed; OK keeps the rows whose
// permittivity and thickness are numbers above 1 and above 0.
class laminate_editor : public QDialog {
    Q_OBJECT

  public:
    laminate_editor(const std::vector<laminate> &list, QWidget *owner);
    std::vector<laminate> list() const;
    QTableWidget *table() const { return table_; }

  private:
    void add_row(const laminate &entry);
    QTableWidget *table_;
};
