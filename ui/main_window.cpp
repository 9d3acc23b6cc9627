// The menu bar, the design document and the studies' windows around the calculator.
#include "ui/main_window.h"

#include "input/number_syntax.h"
#include "input/xs_file.h"
#include "studies/records.h"
#include "studies/study_report.h"
#include "ui/accurate_options.h"
#include "ui/laminates.h"
#include "ui/save_file.h"
#include "ui/sweep_window.h"
#include "ui/synthesis_dialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int recent_count = 8;
const QString design_filter = QStringLiteral("Orvanta designs (*.orvanta);;All files (*)");
const QString open_filter =
    QStringLiteral("Orvanta designs (*.orvanta);;Cross-section files (*.json);;All files (*)");

QString settings_unit_key() {
    return QStringLiteral("view/length_unit");
}

} // namespace

main_window::main_window(const QPixmap &geometry_bitmap)
    : calculator_(new calculator_dialog(geometry_bitmap)) {
    setWindowIcon(calculator_->windowIcon());
    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    chooser_ = new line_chooser(central);
    chooser_->setFixedWidth(230);
    row->addWidget(chooser_);
    pages_ = new QStackedWidget(central);
    // The two-strip line's dialog keeps its fixed size, at the top left of its page.
    auto *dialog_page = new QWidget(pages_);
    auto *dialog_column = new QVBoxLayout(dialog_page);
    dialog_column->addWidget(calculator_, 0, Qt::AlignLeft | Qt::AlignTop);
    dialog_column->addStretch(1);
    pages_->addWidget(dialog_page);
    lines_ = new line_page(pages_);
    pages_->addWidget(lines_);
    row->addWidget(pages_, 1);
    setCentralWidget(central);
    connect(chooser_, &line_chooser::chosen, this, &main_window::choose);
    connect(lines_, &line_page::edited, this, [this] { setWindowModified(true); });
    connect(lines_, &line_page::copy_requested, this,
            [this] { QGuiApplication::clipboard()->setText(result_text()); });
    connect(lines_, &line_page::export_requested, this, &main_window::export_dialog);
    synthesis_ = new synthesis_dialog(*calculator_, this);
    sweep_ = new sweep_window(*calculator_, this);
    build_menus();
    build_status_bar();

    length_unit unit = length_unit::mm;
    QString saved = QSettings().value(settings_unit_key()).toString();
    if (length_unit_from_name(saved.toStdString(), unit)) {
        calculator_->set_unit(unit);
        lines_->set_unit(unit);
        for (QAction *a : action("view_mm")->actionGroup()->actions())
            a->setChecked(a->data().toString() == saved);
    }
    connect(calculator_, &calculator_dialog::edited, this, [this] {
        setWindowModified(true);
        show_variant_state();
    });
    connect(calculator_, &QWidget::windowTitleChanged, this, &main_window::update_title);
    connect(calculator_, &calculator_dialog::busy_changed, this, &main_window::set_busy);
    set_clean(QString());
    resize(std::max(1024, sizeHint().width()), std::max(700, sizeHint().height()));
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void main_window::choose(line_type type) {
    if (type != line_type::two_strip) lines_->set_type(type);
    show_page(type);
}

void main_window::show_page(std::optional<line_type> type) {
    {
        QSignalBlocker quiet(chooser_);
        if (type)
            chooser_->select(*type);
        else
            chooser_->setCurrentRow(-1);
    }
    // The variant and the strips' thickness concern the two-strip line's dialog only.
    variant_state_->setVisible(type == line_type::two_strip);
    if (type == line_type::two_strip)
        pages_->setCurrentIndex(0);
    else
        pages_->setCurrentWidget(lines_);
}

main_window::~main_window() = default;

// A thickness typed for the accurate variant stays when the variant is switched off, and
// every Calculate is then refused: the state is in the status bar, and after a refusal
// its remedy is one click there.
void main_window::build_status_bar() {
    variant_state_ = new QLabel(this);
    statusBar()->addPermanentWidget(variant_state_);
    thickness_remedy_ = new QWidget(this);
    auto *row = new QHBoxLayout(thickness_remedy_);
    row->setContentsMargins(0, 0, 0, 0);
    auto *use_accurate =
        new QPushButton(QStringLiteral("Use the Accurate Variant"), thickness_remedy_);
    use_accurate->setObjectName(QStringLiteral("remedy_accurate"));
    auto *flat = new QPushButton(QStringLiteral("Set t to 0"), thickness_remedy_);
    flat->setObjectName(QStringLiteral("remedy_flat"));
    row->addWidget(use_accurate);
    row->addWidget(flat);
    statusBar()->addWidget(thickness_remedy_);
    thickness_remedy_->hide();
    connect(use_accurate, &QPushButton::clicked, this,
            [this] { calculator_->accurate_action()->setChecked(true); });
    connect(flat, &QPushButton::clicked, this,
            [this] { calculator_->set_field_text(input_field::t, QStringLiteral("0")); });
    connect(calculator_, &calculator_dialog::thickness_refused, thickness_remedy_, &QWidget::show);
    show_variant_state();
}

void main_window::show_variant_state() {
    bool accurate = calculator_->accurate_action()->isChecked();
    QString t = calculator_->field_text(input_field::t);
    std::optional<double> thickness = number_finite(t.toStdWString());
    bool thick = !thickness || *thickness != 0;
    QString unit = QString::fromWCharArray(length_unit_label(calculator_->unit()));
    variant_state_->setText(
        (accurate ? QStringLiteral("Accurate variant") : QStringLiteral("Specified variant")) +
        (thick ? QStringLiteral(", t = %1 %2").arg(t, unit) : QString()) +
        (thick && !accurate ? QStringLiteral(" (needs the accurate variant)") : QString()));
    if (accurate || !thick) thickness_remedy_->hide();
}

QAction *main_window::add_action(QMenu *menu, const char *name, const QString &text,
                                 const QKeySequence &shortcut) {
    QAction *a = menu->addAction(text);
    a->setObjectName(QString::fromUtf8(name));
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

QAction *main_window::action(const char *name) const {
    return findChild<QAction *>(QString::fromUtf8(name));
}

void main_window::build_menus() {
    calculator_dialog &calc = *calculator_;
    // Mnemonics that the dialog's own (C, A, 1, 2, H, D, E, P, M, O) leave free.
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(add_action(file, "file_new", QStringLiteral("&New"), QKeySequence::New),
            &QAction::triggered, this, &main_window::new_design);
    connect(add_action(file, "file_open", QStringLiteral("&Open..."), QKeySequence::Open),
            &QAction::triggered, this, &main_window::open);
    recent_menu_ = file->addMenu(QStringLiteral("Open &Recent"));
    recent_menu_->menuAction()->setObjectName(QStringLiteral("file_recent"));
    connect(recent_menu_, &QMenu::aboutToShow, this, &main_window::fill_recent_menu);
    file->addSeparator();
    connect(add_action(file, "file_save", QStringLiteral("&Save"), QKeySequence::Save),
            &QAction::triggered, this, &main_window::save);
    connect(add_action(file, "file_save_as", QStringLiteral("Save &As..."),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
            &QAction::triggered, this, &main_window::save_as);
    connect(add_action(file, "file_export", QStringLiteral("&Export Results...")),
            &QAction::triggered, this, &main_window::export_dialog);
    file->addSeparator();
    connect(
        add_action(file, "file_quit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)),
        &QAction::triggered, this, &QWidget::close);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("Edi&t"));
    // Ctrl+C and Ctrl+A belong to the result list; in a field they keep their own sense.
    QAction *copy =
        add_action(edit, "edit_copy", QStringLiteral("&Copy Results"), QKeySequence::Copy);
    QAction *select_all =
        add_action(edit, "edit_select_all", QStringLiteral("Select &All"), QKeySequence::SelectAll);
    for (QAction *a : {copy, select_all}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        calc.result_list()->addAction(a);
    }
    connect(copy, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(result_text()); });
    connect(select_all, &QAction::triggered, calc.result_list(), &QListWidget::selectAll);

    QMenu *run = menuBar()->addMenu(QStringLiteral("Calc&ulation"));
    connect(add_action(run, "calc_calculate", QStringLiteral("&Calculate"),
                       QKeySequence(Qt::CTRL | Qt::Key_Return)),
            &QAction::triggered, this, [this] {
                if (!calculator_->busy()) calculator_->calculate();
            });
    run->addAction(calc.accurate_action());
    calc.accurate_action()->setObjectName(QStringLiteral("calc_accurate"));
    connect(add_action(run, "calc_options", QStringLiteral("Accurate &Options...")),
            &QAction::triggered, this, [this] {
                ask_accurate_options(QStringLiteral("Accurate Options"), QStringLiteral("OK"));
            });
    run->addSeparator();
    connect(add_action(run, "calc_converge", QStringLiteral("Con&verge...")), &QAction::triggered,
            this, &main_window::converge);
    connect(add_action(run, "calc_synthesize", QStringLiteral("&Synthesize...")),
            &QAction::triggered, this, [this] {
                if (line_shown())
                    lines_->open_synthesis();
                else
                    synthesis_->open();
            });
    connect(add_action(run, "calc_sweep", QStringLiteral("S&weep...")), &QAction::triggered, this,
            [this] {
                if (line_shown()) return lines_->open_sweep();
                sweep_->show();
                sweep_->raise();
                sweep_->activateWindow();
            });
    connect(add_action(run, "calc_losses", QStringLiteral("Losses and &Frequency...")),
            &QAction::triggered, this, [this] {
                if (line_shown()) return lines_->open_frequency();
                QMessageBox::information(
                    this, QStringLiteral("Losses and Frequency"),
                    QStringLiteral("Losses over frequency are computed for the line types and "
                                   "cross-section files: choose a line type in the list."));
            });
    QAction *cancel = add_action(run, "calc_cancel", QStringLiteral("Ca&ncel"));
    cancel->setToolTip(QStringLiteral("Stop the running calculation or study"));
    cancel->setEnabled(false);
    connect(cancel, &QAction::triggered, calculator_, &calculator_dialog::cancel_run);
    run->addSeparator();
    laminate_menu_ = run->addMenu(QStringLiteral("&Laminate"));
    laminate_menu_->menuAction()->setObjectName(QStringLiteral("calc_laminate"));
    connect(laminate_menu_, &QMenu::aboutToShow, this, &main_window::fill_laminate_menu);

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu *units = view->addMenu(QStringLiteral("Length &Unit"));
    auto *group = new QActionGroup(this);
    const std::tuple<const char *, length_unit, QString> choices[] = {
        {"view_mm", length_unit::mm, QStringLiteral("&Millimetres (mm)")},
        {"view_mil", length_unit::mil, QStringLiteral("M&ils (mil)")},
        {"view_um", length_unit::um, QStringLiteral("Mi&crometres (\u00b5m)")}};
    for (const auto &[name, unit, text] : choices) {
        QAction *a = add_action(units, name, text);
        a->setCheckable(true);
        a->setChecked(unit == length_unit::mm);
        a->setData(QString::fromUtf8(length_unit_name(unit)));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, unit] {
            if (unit == calculator_->unit()) return;
            calculator_->set_unit(unit);
            lines_->set_unit(unit);
            show_variant_state();
            QSettings().setValue(settings_unit_key(), QString::fromUtf8(length_unit_name(unit)));
        });
    }

    QMenu *help = menuBar()->addMenu(QStringLiteral("He&lp"));
    connect(add_action(help, "help_about", QStringLiteral("&About Orvanta")), &QAction::triggered,
            calculator_, &calculator_dialog::show_about);
}

// While a calculation or study runs, nothing may start another: the caption and the
// result list follow one job at a time.
void main_window::set_busy(bool busy) {
    for (const char *name : {"calc_calculate", "calc_converge"})
        action(name)->setEnabled(!busy);
    action("calc_cancel")->setEnabled(busy);
}

design main_window::current_design() const {
    // The lengths in millimetres, exactly the values the calculation reads, whatever unit
    // the window shows them in.
    design d;
    for (int i = 0; i < input_field_count; ++i)
        d.fields[i] = calculator_->field_text_mm(input_field(i)).toStdWString();
    d.unit = length_unit::mm;
    if (line_shown()) d.line = lines_->form()->input_mm();
    d.variant = calculator_->accurate_action()->isChecked() ? solver_variant::accurate
                                                            : solver_variant::specified;
    d.tolerance_percent = tolerance_percent_;
    return d;
}

// The window keeps its unit: the design's lengths are shown in it (unchanged when the
// units agree) and kept in millimetres exactly.
void main_window::apply_design(const design &d) {
    for (int i = 0; i < input_field_count; ++i) {
        calculator_->set_field_text_mm(input_field(i),
                                       QString::fromStdWString(design_field_mm(d, input_field(i))));
    }
    calculator_->accurate_action()->setChecked(d.variant == solver_variant::accurate);
    tolerance_percent_ = d.tolerance_percent;
    if (d.line.type != line_type::two_strip) lines_->set_input_mm(design_line_mm(d));
    show_page(d.line.type);
}

bool main_window::open_design(const QString &path, QString &error) {
    design d;
    std::string why;
    // A cross-section file (.json) is drawn and solved as it is, on the line page.
    if (path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
        cross_section section{};
        if (!xs_read(path.toStdString(), section, why)) {
            error = QString::fromStdString(why);
            return false;
        }
        lines_->show_cross_section(section, path);
        show_page(std::nullopt);
        set_clean(QString());
        remember_recent(path);
        return true;
    }
    if (!design_read(path.toStdString(), d, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    apply_design(d);
    set_clean(path);
    remember_recent(path);
    return true;
}

bool main_window::save_design(const QString &path, QString &error) {
    std::string why;
    if (line_shown() && lines_->showing_file()) {
        error = QStringLiteral("%1: a cross-section file is its own design; a design file holds "
                               "a line type and its options")
                    .arg(path);
        return false;
    }
    if (!design_write(path.toStdString(), current_design(), why)) {
        error = QString::fromStdString(why);
        return false;
    }
    set_clean(path);
    remember_recent(path);
    return true;
}

void main_window::open_design_interactively(const QString &path) {
    QString error;
    if (!open_design(path, error)) QMessageBox::warning(this, QStringLiteral("Open Design"), error);
}

void main_window::set_clean(const QString &path) {
    path_ = path;
    setWindowModified(false);
    update_title();
}

void main_window::update_title() {
    QString caption = calculator_->windowTitle();
    setWindowTitle(path_.isEmpty()
                       ? QStringLiteral("[*]") + caption
                       : QStringLiteral("%1[*] - %2").arg(QFileInfo(path_).fileName(), caption));
}

bool main_window::may_discard() {
    if (!isWindowModified()) return true;
    QMessageBox::StandardButton answer = QMessageBox::question(
        this, QStringLiteral("Unsaved Changes"),
        QStringLiteral("The design has unsaved changes. Save them first?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return save();
    return answer == QMessageBox::Discard;
}

void main_window::new_design() {
    if (!may_discard()) return;
    apply_design(design{});
    calculator_->clear_results();
    set_clean(QString());
}

void main_window::open() {
    if (!may_discard()) return;
    QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Design"), QString(), open_filter);
    if (!path.isEmpty()) open_design_interactively(path);
}

bool main_window::save() {
    if (path_.isEmpty()) return save_as();
    QString error;
    if (save_design(path_, error)) return true;
    QMessageBox::warning(this, QStringLiteral("Save Design"), error);
    return false;
}

bool main_window::save_as() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Design"),
        path_.isEmpty() ? QStringLiteral("design.orvanta") : path_, design_filter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".orvanta");
    QString error;
    if (save_design(path, error)) return true;
    QMessageBox::warning(this, QStringLiteral("Save Design"), error);
    return false;
}

void main_window::remember_recent(const QString &path) {
    QSettings settings;
    QStringList recent = settings.value(QStringLiteral("recent")).toStringList();
    QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > recent_count)
        recent.removeLast();
    settings.setValue(QStringLiteral("recent"), recent);
}

void main_window::fill_recent_menu() {
    recent_menu_->clear();
    QStringList recent = QSettings().value(QStringLiteral("recent")).toStringList();
    for (int i = 0; i < recent.size(); ++i) {
        QString path = recent[i];
        QAction *a = recent_menu_->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (may_discard()) open_design_interactively(path);
        });
    }
    if (recent.isEmpty()) recent_menu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void main_window::fill_laminate_menu() {
    laminate_menu_->clear();
    for (const laminate &entry : laminates_load()) {
        QString text = QStringLiteral("%1 (epsilon_r %2)").arg(entry.name, entry.epsilon_r);
        connect(laminate_menu_->addAction(text), &QAction::triggered, this, [this, entry] {
            calculator_->set_field_text(input_field::epsilon_r, entry.epsilon_r);
            calculator_->set_field_text_mm(input_field::h, entry.h_mm);
        });
    }
    laminate_menu_->addSeparator();
    connect(laminate_menu_->addAction(QStringLiteral("&Edit List...")), &QAction::triggered, this,
            [this] {
                laminate_editor editor(laminates_load(), this);
                if (editor.exec() == QDialog::Accepted) laminates_save(editor.list());
            });
}

QString main_window::result_text() const {
    if (line_shown()) return lines_->result_text();
    QListWidget *list = calculator_->result_list();
    QStringList lines;
    bool selection = list->selectedItems().size() > 1;
    for (int i = 0; i < list->count(); ++i) {
        if (!selection || list->item(i)->isSelected()) lines << list->item(i)->text();
    }
    return lines.join('\n');
}

bool main_window::export_results(const QString &path, QString &error) const {
    if (line_shown()) {
        if (!lines_->answer()) {
            error = QStringLiteral("The line has no results yet");
            return false;
        }
        if (!path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
            error = QStringLiteral("%1: a line's results export as JSON (.json)").arg(path);
            return false;
        }
        return save_file(path, lines_->result_json(), error);
    }
    const std::optional<last_run> &run = calculator_->last_result();
    if (!run) {
        error = QStringLiteral("No calculation has finished yet");
        return false;
    }
    bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (csv && run->charges_csv.empty()) {
        error = QStringLiteral(
            "The last calculation was refused or failed: it has no charges to export");
        return false;
    }
    const calc_figures *figures = run->figures ? &*run->figures : nullptr;
    return save_file(
        path, csv ? run->charges_csv : run_record_json(run->lines, figures, run->variant), error);
}

void main_window::export_dialog() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Results"), QStringLiteral("results.json"),
        line_shown() ? QStringLiteral("JSON record (*.json)")
                     : QStringLiteral("JSON record (*.json);;Charge table (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!export_results(path, error))
        QMessageBox::warning(this, QStringLiteral("Export Results"), error);
}

namespace {

// The slab thickness typed, in millimetres, for the thickness check; infinity when the
// field holds no number yet (Calculate refuses it then).
double typed_h_mm(const calculator_dialog &calc) {
    std::optional<double> value = number_finite(calc.field_text_mm(input_field::h).toStdWString());
    return value ? *value : INFINITY;
}

} // namespace

// The options dialog, titled for what it leads to; the values it accepts go into the
// design. False when it was cancelled.
bool main_window::ask_accurate_options(const QString &title, const QString &accept_text) {
    accurate_options_dialog dialog(this, title, accept_text, calculator_->unit(),
                                   typed_h_mm(*calculator_));
    dialog.set_values(calculator_->field_text(input_field::t), tolerance_percent_);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (dialog.thickness() != calculator_->field_text(input_field::t))
        calculator_->set_field_text(input_field::t, dialog.thickness());
    if (dialog.tolerance_percent() != tolerance_percent_) {
        tolerance_percent_ = dialog.tolerance_percent();
        setWindowModified(true);
    }
    return true;
}

// The convergence study always solves the accurate variant: the specified trapezoid
// sums scatter from mesh to mesh instead of converging.
void main_window::converge() {
    if (line_shown()) {
        // A line's results are always an estimate with its error: Converge sets its
        // tolerance.
        bool ok = false;
        double percent = QInputDialog::getDouble(this, QStringLiteral("Converge"),
                                                 QStringLiteral("Tolerance (%):"),
                                                 lines_->tolerance() * 100, 1e-5, 10, 5, &ok);
        if (ok) lines_->set_tolerance(percent / 100);
        return;
    }
    if (!ask_accurate_options(QStringLiteral("Converge"), QStringLiteral("&Converge"))) return;
    calc_params params{};
    if (!calculator_->validate(params, solver_variant::accurate)) return;
    field_texts texts = calculator_->field_texts_mm();
    double tolerance = tolerance_percent_ / 100;
    auto outcome = std::make_shared<convergence>();
    calculator_->run_study(
        QStringLiteral("Converging"), 8,
        [=](const calc_env &env, const study_watch &watch) {
            *outcome = study_converge(texts, tolerance, env, 8, watch);
        },
        [this, outcome, tolerance] {
            for (const std::string &line : convergence_report(*outcome, tolerance))
                calculator_->append_result_line(QString::fromStdString(line));
            if (outcome->cancelled)
                calculator_->append_result_line(QStringLiteral("Convergence study cancelled"));
        });
}

void main_window::closeEvent(QCloseEvent *event) {
    if (!may_discard()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}
