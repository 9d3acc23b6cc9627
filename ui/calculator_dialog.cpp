// The calculator dialog: its controls at their dialog-unit rectangles in tab
// order, the start values, and the launch of a calculation.
#include "ui/calculator_dialog.h"

#include "core/job/calc_job.h"
#include "input/number_syntax.h"
#include "input/read_inputs.h"
#include "ui/about_box.h"
#include "ui/geometry_picture.h"
#include "ui/qt_input_source.h"
#include "ui/tab_stop_delegate.h"
#include "ui/worker_host.h"

#include "ui/qt_layer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QValidator>

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

// Letters typed into the keyword fields show in upper case.
class upper_case_validator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

namespace {

const QString caption = QStringLiteral("Orvanta Calculator");

std::int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void line_to_window(void *window, const wchar_t *text) {
    static_cast<calculator_dialog *>(window)->line_from_worker(text);
}

void progress_to_window(void *window, progress_phase phase, double fraction) {
    static_cast<calculator_dialog *>(window)->progress_from_worker(phase, fraction);
}

} // namespace

void calculator_dialog::progress_from_worker(progress_phase phase, double fraction) {
    if (study_running_ || now_ms() - started_ms_.load() < 1000) return;
    int percent = int(fraction * 100);
    int key = (phase == progress_phase::fill ? 0 : 1000) + percent;
    if (last_progress_.exchange(key) == key) return;
    QString title =
        QStringLiteral("%1 - %2 %3%")
            .arg(caption, phase == progress_phase::fill ? QStringLiteral("Filling matrix")
                                                        : QStringLiteral("Inverting matrix"))
            .arg(percent);
    // Posted, never waited for: the calculation does not slow down for the window.
    requests().post([this, title] { setWindowTitle(title); });
}

void calculator_dialog::calculation_ended() {
    // The lines of the run just kept are those in the list now.
    if (last_ && last_->lines.empty()) {
        for (int i = 0; i < results_->count(); ++i)
            last_->lines.push_back(results_->item(i)->text().toStdWString());
    }
    setWindowTitle(caption);
    calculate_->setEnabled(true);
    emit busy_changed(false);
}

void calculator_dialog::line_from_worker(const wchar_t *text) {
    QString line = QString::fromWCharArray(text);
    requests().run([this, &line] { append_result_line(line); });
}

namespace {

// The controls of the window's template, each placed at its rectangle in dialog units.
struct dialog_builder {
    QWidget *parent;
    dialog_base_units base;

    QWidget *at(QWidget *w, pixel_rect units) const {
        place_in_dialog_units(w, units, base);
        return w;
    }
    QLabel *label(const char *text, pixel_rect units) const {
        auto *l = new QLabel(QString::fromUtf8(text), parent);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        at(l, units);
        return l;
    }
    void group(const char *text, pixel_rect units) const {
        auto *g = new QGroupBox(QString::fromUtf8(text), parent);
        at(g, units);
        // Frames lie behind the controls they frame and take no clicks.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->lower();
    }
    QLineEdit *edit(const char *start, pixel_rect units) const {
        auto *e = new QLineEdit(QString::fromUtf8(start), parent);
        e->setAlignment(Qt::AlignRight);
        at(e, units);
        return e;
    }
    QComboBox *combo(const char *start, const char *entry, pixel_rect units) const {
        auto *c = new QComboBox(parent);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItem(QString::fromUtf8(entry));
        c->setEditText(QString::fromUtf8(start));
        c->lineEdit()->setAlignment(Qt::AlignRight);
        c->setValidator(new upper_case_validator(c));
        // The height of 30 units includes the drop-down list; the field is one line.
        pixel_rect r = dialog_to_pixels(units, base);
        c->setGeometry(r.x, r.y, r.width, c->sizeHint().height());
        return c;
    }
};

} // namespace

calculator_dialog::calculator_dialog(const QPixmap &geometry_bitmap)
    : requests_(new ui_requests(this)) {
    env_.sinks = {line_to_window, line_to_window, this};
    env_.progress = progress_to_window;
    env_.progress_context = this;
    env_.cancel = &cancel_;
    setWindowTitle(caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/orvanta/icon.png")));
    QFont font = template_font(10);
    setFont(font);
    dialog_base_units base = font_base_units(font);
    dialog_builder make{this, base};
    auto at = [&make](QWidget *w, pixel_rect units) { return make.at(w, units); };
    auto label = [&make](const char *text, pixel_rect units) { return make.label(text, units); };
    auto group = [&make](const char *text, pixel_rect units) { make.group(text, units); };
    auto edit = [&make](const char *start, pixel_rect units) { return make.edit(start, units); };
    auto combo = [&make](const char *start, const char *entry, pixel_rect units) {
        return make.combo(start, entry, units);
    };

    // Template order, which is also the tab order.
    calculate_ = new QPushButton(QStringLiteral("&Calculate"), this);
    at(calculate_, {245, 129, 50, 14});
    about_ = new QPushButton(QStringLiteral("&About"), this);
    at(about_, {245, 151, 50, 14});
    picture_ = new geometry_picture(geometry_bitmap, this);
    at(picture_, {0, 0, 304, 117});
    group("Configuration", {4, 117, 93, 106});
    group("Advanced Parameter", {99, 117, 139, 56});
    QLabel *w1_label = label("w&1 =", {12, 133, 18, 8});
    w1_ = edit("2.4", {32, 132, 40, 12});
    QLabel *w2_label = label("w&2 =", {12, 150, 18, 8});
    w2_ = combo("10", "INF", {32, 150, 40, 30});
    unit_labels_[0] = label("mm", {75, 133, 14, 8});
    unit_labels_[1] = label("mm", {75, 150, 14, 8});
    QLabel *h_label = label("&h =", {18, 168, 12, 8});
    h_ = edit("0.79", {32, 168, 40, 12});
    unit_labels_[2] = label("mm", {75, 168, 14, 8});
    QLabel *d_label = label("&d =", {18, 187, 12, 8});
    d_ = edit("0.0", {32, 186, 40, 12});
    unit_labels_[3] = label("mm", {75, 188, 14, 8});
    QLabel *eps_label = label("&epsilon_r =", {9, 205, 38, 8});
    epsilon_r_ = edit("2.2", {51, 204, 40, 12});
    QLabel *p_label = label("&p =", {142, 129, 12, 8});
    p_ = combo("2.0", "AUTO", {162, 128, 40, 30});
    unit_labels_[4] = label("mm", {208, 130, 14, 8});
    QLabel *step_label = label("&mesh step =", {112, 147, 42, 8});
    mesh_step_ = combo("AUTO", "AUTO", {162, 144, 40, 30});
    unit_labels_[5] = label("mm", {208, 147, 14, 8});
    plot_box_ = new QCheckBox(QStringLiteral("pl&ot free charge density"), this);
    plot_box_->setChecked(true);
    at(plot_box_, {129, 160, 93, 10});
    group("Result", {99, 173, 205, 50});
    results_ = new QListWidget(this);
    at(results_, {104, 184, 196, 36});
    results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    results_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Several lines can be selected (and copied); a new line still selects itself alone.
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The accurate variant is offered where it does not disturb the dialog: in the result
    // list's context menu. Unchecked, every calculation is the specified one.
    accurate_ = new QAction(
        QStringLiteral("&Accurate Variant (whole cross-section, exact constants)"), results_);
    accurate_->setCheckable(true);
    results_->addAction(accurate_);
    results_->setContextMenuPolicy(Qt::ActionsContextMenu);
    results_->setItemDelegate(
        new tab_stop_delegate(dialog_to_pixels({0, 0, 32, 0}, base).width, results_));
    group("", {238, 117, 66, 56});

    w1_label->setBuddy(w1_);
    w2_label->setBuddy(w2_);
    h_label->setBuddy(h_);
    d_label->setBuddy(d_);
    eps_label->setBuddy(epsilon_r_);
    p_label->setBuddy(p_);
    step_label->setBuddy(mesh_step_);
    QWidget *tab_order[] = {calculate_, about_, w1_,        w2_,       h_,      d_,
                            epsilon_r_, p_,     mesh_step_, plot_box_, results_};
    for (std::size_t i = 0; i + 1 < std::size(tab_order); ++i) {
        setTabOrder(tab_order[i], tab_order[i + 1]);
    }

    setFixedSize(dialog_to_pixels({0, 0, 307, 227}, base).width,
                 dialog_to_pixels({0, 0, 307, 227}, base).height);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    connect(calculate_, &QPushButton::clicked, this, &calculator_dialog::calculate);
    connect(about_, &QPushButton::clicked, this, &calculator_dialog::show_about);
    for (input_field f : {input_field::w1, input_field::w2, input_field::h, input_field::d,
                          input_field::epsilon_r, input_field::p, input_field::mesh_step}) {
        QLineEdit *line = qobject_cast<QLineEdit *>(field(f));
        if (!line) line = qobject_cast<QComboBox *>(field(f))->lineEdit();
        line->installEventFilter(this);
        connect(line, &QLineEdit::textEdited, this, [this, f] {
            if (refused_ == f) mark_refused(std::nullopt);
            emit edited();
        });
        // Whatever puts a text there (typing, a keyword picked from the list) sets the
        // field's value, but for the window's own showing of it in another unit.
        connect(line, &QLineEdit::textChanged, this, [this, f] {
            if (!showing_) take_typed(f);
        });
    }
    for (const field_spec &f : field_specs())
        mm_[field_index(f.field)] = QString::fromWCharArray(f.start);
    connect(accurate_, &QAction::toggled, this, [this] {
        picture_->set_thickness(accurate_->isChecked() ? thickness_ : QString());
        emit edited();
    });
    thickness_ = QStringLiteral("0");
    update_unit_labels();
    calculate_->setFocus();
}

calculator_dialog::~calculator_dialog() = default;

QWidget *calculator_dialog::field(input_field which) const {
    // The thickness has no control of the template's.
    QWidget *const controls[] = {w1_, w2_, h_, d_, epsilon_r_, p_, mesh_step_, nullptr};
    return controls[field_index(which)];
}

QString calculator_dialog::field_text(input_field which) const {
    if (which == input_field::t) return thickness_;
    QWidget *w = field(which);
    if (auto *line = qobject_cast<QLineEdit *>(w)) return line->text();
    if (auto *box = qobject_cast<QComboBox *>(w)) return box->currentText();
    return {};
}

void calculator_dialog::show_text(input_field which, const QString &text) {
    if (which == input_field::t) {
        thickness_ = text;
        picture_->set_thickness(accurate_->isChecked() ? thickness_ : QString());
        return;
    }
    QLineEdit *line = qobject_cast<QLineEdit *>(field(which));
    if (!line) line = qobject_cast<QComboBox *>(field(which))->lineEdit();
    showing_ = true;
    line->setText(text);
    showing_ = false;
    // A text longer than the field shows its beginning, where its digits begin; one
    // that fits keeps the cursor at its end, ready for typing.
    if (line->fontMetrics().horizontalAdvance(text) > line->contentsRect().width() - 8)
        line->setCursorPosition(0);
}

void calculator_dialog::take_typed(input_field which) {
    if (field_is_length(which))
        mm_[field_index(which)] = QString::fromStdWString(
            length_text_convert(field_text(which).toStdWString(), unit_, length_unit::mm));
}

void calculator_dialog::set_field_text(input_field which, const QString &text) {
    if (refused_ == which) mark_refused(std::nullopt);
    show_text(which, text);
    take_typed(which);
    emit edited();
}

void calculator_dialog::set_field_text_mm(input_field which, const QString &text) {
    if (!field_is_length(which)) {
        set_field_text(which, text);
        return;
    }
    if (refused_ == which) mark_refused(std::nullopt);
    mm_[field_index(which)] = text;
    show_text(which, QString::fromStdWString(
                         length_text_shown(text.toStdWString(), length_unit::mm, unit_)));
    emit edited();
}

QString calculator_dialog::field_text_mm(input_field which) const {
    return field_is_length(which) ? mm_[field_index(which)] : field_text(which);
}

field_texts calculator_dialog::field_texts_mm() const {
    field_texts texts;
    for (int i = 0; i < input_field_count; ++i)
        texts.push_back(field_text_mm(input_field(i)).toStdWString());
    return texts;
}

void calculator_dialog::set_unit(length_unit unit) {
    if (unit == unit_) return;
    unit_ = unit;
    for (const field_spec &f : field_specs()) {
        if (f.unit != field_unit::length) continue;
        show_text(f.field, QString::fromStdWString(length_text_shown(
                               mm_[field_index(f.field)].toStdWString(), length_unit::mm, unit)));
    }
    update_unit_labels();
}

// The unit beside every length field, and each field's tooltip: what it is, its unit
// and the keyword it takes.
void calculator_dialog::update_unit_labels() {
    QString unit = QString::fromWCharArray(length_unit_label(unit_));
    for (QLabel *label : unit_labels_)
        label->setText(unit);
    const std::pair<input_field, QString> tips[] = {
        {input_field::w1, QStringLiteral("Width of the top strip, in %1").arg(unit)},
        {input_field::w2,
         QStringLiteral("Width of the bottom strip, in %1; INF: a microstrip over an infinite "
                        "ground plane")
             .arg(unit)},
        {input_field::h, QStringLiteral("Thickness of the dielectric slab, in %1").arg(unit)},
        {input_field::d,
         QStringLiteral("Offset of the top strip's centre to the right of the bottom strip's "
                        "centre, in %1")
             .arg(unit)},
        {input_field::epsilon_r,
         QStringLiteral("Relative permittivity of the slab (1 or more, no unit)")},
        {input_field::p,
         QStringLiteral("Overhang of the slab beyond the outermost strip edge, in %1; AUTO: "
                        "chosen for the geometry")
             .arg(unit)},
        {input_field::mesh_step,
         QStringLiteral("Nominal cell width of the mesh, in %1; AUTO: chosen for the geometry")
             .arg(unit)},
    };
    for (const auto &[f, tip] : tips)
        field(f)->setToolTip(tip);
}

// A refused field is tinted and takes the focus with its text selected, so that the
// next keystroke replaces it; the tint goes with the next edit of that field.
void calculator_dialog::mark_refused(std::optional<input_field> which) {
    if (refused_ && field(*refused_)) field(*refused_)->setPalette(QPalette());
    refused_ = which;
    if (!which || !field(*which)) return;
    QWidget *w = field(*which);
    QPalette tinted = w->palette();
    tinted.setColor(QPalette::Base, QColor(255, 220, 220));
    w->setPalette(tinted);
    w->setFocus(Qt::OtherFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(w)) line->selectAll();
    if (auto *box = qobject_cast<QComboBox *>(w)) box->lineEdit()->selectAll();
}

// A mnemonic whose control is disabled (Calculate during a run) is no shortcut then, and
// the field with the focus would take Alt+C for a typed "c": such keys type nothing.
bool calculator_dialog::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        Qt::KeyboardModifiers mods = key->modifiers();
        if ((mods & (Qt::AltModifier | Qt::MetaModifier)) && !(mods & Qt::ControlModifier) &&
            !key->text().isEmpty() && key->text().at(0).isPrint()) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool calculator_dialog::plot_box_checked_alone() const {
    return plot_box_->checkState() == Qt::Checked && !plot_box_->hasFocus() && !plot_box_->isDown();
}

void calculator_dialog::append_result_line(const QString &text) {
    results_->addItem(text);
    // The new line alone is selected, whatever was selected before.
    results_->setCurrentRow(results_->count() - 1, QItemSelectionModel::ClearAndSelect);
    results_->scrollToItem(results_->item(results_->count() - 1));
}

void calculator_dialog::add_result_line(const QString &text) {
    results_->addItem(text);
}

void calculator_dialog::clear_results() {
    results_->clear();
}

bool calculator_dialog::validate(calc_params &params, solver_variant variant) {
    qt_input_source source(*this);
    mark_refused(std::nullopt);
    if (std::optional<input_field> refused = validate_fields(source, &params, env_)) {
        mark_refused(refused);
        return false;
    }
    // The specified variant's flat strips cannot take a thickness, and dropping it
    // silently would give a number for another line.
    if (params.t != 0 && variant == solver_variant::specified) {
        append_result_line(QStringLiteral(
            "ERROR: a strip thickness `t` needs the accurate variant (Calculation menu)"));
        emit thickness_refused();
        return false;
    }
    return true;
}

void calculator_dialog::calculate() {
    calc_params params{};
    solver_variant variant =
        accurate_->isChecked() ? solver_variant::accurate : solver_variant::specified;
    if (!validate(params, variant)) {
        // Export then writes the refusal, never the record of an earlier run.
        last_run refused{{}, std::nullopt, variant, {}};
        for (int i = 0; i < results_->count(); ++i)
            refused.lines.push_back(results_->item(i)->text().toStdWString());
        last_ = std::move(refused);
        return;
    }
    // Disabled before the worker exists, so that a second press cannot start a second
    // calculation; the job enables it again as its last action.
    calculate_->setEnabled(false);
    cancel_ = false;
    emit busy_changed(true);
    started_ms_ = now_ms();
    last_progress_ = -1;
    // The worker owns its copy of the parameters (the job rewrites them in place).
    bool started = start_worker([this, variant, params]() mutable {
        worker_host host(*this, variant);
        calc_thread(&host, &params, variant, env_);
    });
    if (!started) {
        // Without a worker nothing would ever enable Calculate again.
        append_result_line(QStringLiteral("Could not start the calculation"));
        calculation_ended();
    }
}

bool calculator_dialog::start_worker(std::function<void()> work) {
    worker_running_ = true;
    try {
        std::thread([this, work = std::move(work)] {
            work();
            // The worker's last touch of the window.
            worker_running_ = false;
        }).detach();
        return true;
    } catch (const std::system_error &) {
        worker_running_ = false;
        return false;
    }
}

bool calculator_dialog::run_study(const QString &what, int total,
                                  std::function<void(const calc_env &, const study_watch &)> work,
                                  std::function<void()> done) {
    if (busy()) return false;
    calculate_->setEnabled(false);
    cancel_ = false;
    study_running_ = true;
    emit busy_changed(true);
    setWindowTitle(QStringLiteral("%1 - %2").arg(caption, what));
    bool started = start_worker([this, what, total, work = std::move(work), done] {
        int solved = 0;
        study_watch watch;
        watch.solved = [&](const study_point &) {
            QString title = total > 0
                                ? QStringLiteral("%1 - %2: %3 of %4")
                                      .arg(caption, what)
                                      .arg(++solved)
                                      .arg(total)
                                : QStringLiteral("%1 - %2: %3").arg(caption, what).arg(++solved);
            requests().post([this, title] { setWindowTitle(title); });
        };
        work(env_, watch);
        requests().run([this, &done] {
            study_running_ = false;
            calculation_ended();
            done();
        });
    });
    if (!started) {
        study_running_ = false;
        append_result_line(QStringLiteral("Could not start the study"));
        calculation_ended();
    }
    return started;
}

void calculator_dialog::show_about() {
    about_box about(this);
    about.exec();
}

// Closing the window ends the program, also while a calculation or its plot is open.
void calculator_dialog::closeEvent(QCloseEvent *event) {
    event->accept();
    QCoreApplication::quit();
}
