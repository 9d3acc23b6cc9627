// The desktop program's window: the line types' chooser beside the page of the line
// chosen (the two-strip line's calculator dialog, or a named line's form, drawing and
// live results) under a menu bar, and the design it holds as a document. File opens, saves and
// exports designs and results, Edit copies the result lines, Calculation runs the calculation,
// the studies and a line's losses over frequency and holds the accurate variant's options and
// the laminates, View chooses the length unit, Help shows About. The title names the design
// file and marks unsaved changes; closing with unsaved changes asks first.
#pragma once

#include "input/design_file.h"
#include "ui/calculator_dialog.h"
#include "ui/line_chooser.h"
#include "ui/line_page.h"

#include <QMainWindow>
#include <QMenu>
#include <QStackedWidget>

#include <memory>
#include <optional>

class synthesis_dialog;
class sweep_window;

class main_window : public QMainWindow {
    Q_OBJECT

  public:
    explicit main_window(const QPixmap &geometry_bitmap);
    ~main_window() override;

    calculator_dialog &calculator() { return *calculator_; }
    line_chooser *chooser() const { return chooser_; }
    line_page *lines() const { return lines_; }
    // Whether a named line type's page shows (not the two-strip line's dialog).
    bool line_shown() const { return pages_->currentWidget() == lines_; }

    // The design the window holds now, and one put into it.
    design current_design() const;
    void apply_design(const design &d);

    // Opening and saving without a dialog: false with the message (naming the file) in
    // error; a failed open leaves the window as it was, a failed save the file as it was.
    bool open_design(const QString &path, QString &error);
    bool save_design(const QString &path, QString &error);
    // Opening from the menu, the recent list or the command line: a failure is shown.
    void open_design_interactively(const QString &path);

    QString design_path() const { return path_; }
    // The convergence tolerance in percent, as typed.
    double tolerance_percent() const { return tolerance_percent_; }

    // The status bar's remedy of a refused thickness: its two buttons, or null.
    QWidget *thickness_remedy() const { return thickness_remedy_; }
    QLabel *variant_state() const { return variant_state_; }

    // The menu actions, by their object names (file_new, file_open, ... help_about).
    QAction *action(const char *name) const;
    synthesis_dialog *synthesis() const { return synthesis_; }
    sweep_window *sweeper() const { return sweep_; }

    // The result lines to copy: the selected ones when there are several, else all.
    QString result_text() const;
    // Writes the last run's JSON record (.json) or its charge table (.csv).
    bool export_results(const QString &path, QString &error) const;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void build_menus();
    QAction *add_action(QMenu *menu, const char *name, const QString &text,
                        const QKeySequence &shortcut = {});
    // Asks whether to save unsaved changes; true when the caller may go on.
    bool may_discard();
    void set_clean(const QString &path);
    void update_title();
    void remember_recent(const QString &path);
    void fill_recent_menu();
    void fill_laminate_menu();
    void new_design();
    void open();
    bool save();
    bool save_as();
    void export_dialog();
    bool ask_accurate_options(const QString &title, const QString &accept_text);
    void converge();
    void set_busy(bool busy);
    void build_status_bar();
    void show_variant_state();

    void choose(line_type type);
    // Shows the type's page and marks it in the chooser (none: a cross-section file's),
    // without solving anything.
    void show_page(std::optional<line_type> type);

    calculator_dialog *calculator_;
    line_chooser *chooser_;
    QStackedWidget *pages_;
    line_page *lines_;
    // The variant and the strips' thickness, always in sight; the remedies of a
    // thickness the specified variant refused, shown after such a refusal.
    QLabel *variant_state_;
    QWidget *thickness_remedy_;
    QMenu *recent_menu_;
    QMenu *laminate_menu_;
    QString path_;
    double tolerance_percent_ = default_tolerance_percent;
    synthesis_dialog *synthesis_;
    sweep_window *sweep_;
};
