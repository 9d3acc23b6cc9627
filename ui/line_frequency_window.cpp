// The losses window's fields, its run on the runner, its charts and its exports.
#include "ui/line_frequency_window.h"

#include "input/file_io.h"
#include "input/frequency_list.h"
#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/line_report.h"
#include "ui/spectrum_charts.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

QString unit_label(length_unit unit) {
    return QString::fromWCharArray(length_unit_label(unit));
}

} // namespace

line_frequency_window::line_frequency_window(std::function<frequency_line()> line, QWidget *owner)
    : QWidget(owner, Qt::Window), line_(std::move(line)), progress_(new ui_requests(this)) {
    setObjectName(QStringLiteral("line_frequency"));
    setWindowTitle(QStringLiteral("Losses and Frequency"));
    auto *row = new QHBoxLayout(this);

    auto *inputs = new QWidget(this);
    auto *column = new QVBoxLayout(inputs);
    column->setContentsMargins(0, 0, 0, 0);
    auto *run_box = new QGroupBox(QStringLiteral("Frequencies and S-parameters"), inputs);
    auto *run_form = new QFormLayout(run_box);
    frequencies_ = new QLineEdit(QStringLiteral("10MHz:50GHz:200:log"), run_box);
    frequencies_->setToolTip(QStringLiteral(
        "A sweep FROM:TO:POINTS, evenly spaced, or FROM:TO:POINTS:log in a constant ratio; "
        "or a rising list separated by commas. Units Hz, kHz, MHz, GHz, THz: "
        "10MHz:50GHz:200:log, 1GHz, 2.5GHz"));
    length_ = new QLineEdit(run_box);
    length_->setPlaceholderText(QStringLiteral("none"));
    length_->setToolTip(QStringLiteral("The length of line whose S-parameters are computed and "
                                       "saved as Touchstone; empty for none. A length may carry "
                                       "its own unit: 1in, 25mm"));
    z_ref_ = new QLineEdit(QStringLiteral("50"), run_box);
    z_ref_->setToolTip(QStringLiteral("The S-parameters' reference impedance at every port"));
    length_label_ = new QLabel(run_box);
    length_label_->setBuddy(length_);
    run_form->addRow(QStringLiteral("&Frequencies:"), frequencies_);
    run_form->addRow(length_label_, length_);
    run_form->addRow(QStringLiteral("&Reference Z (Ohm):"), z_ref_);
    column->addWidget(run_box);
    auto *materials = new QGroupBox(QStringLiteral("Materials (empty: the default)"), inputs);
    auto *materials_column = new QVBoxLayout(materials);
    materials_ = new loss_form(materials);
    materials_->layout()->setContentsMargins(0, 0, 0, 0);
    materials_column->addWidget(materials_);
    column->addWidget(materials);
    auto *buttons = new QHBoxLayout;
    auto *start = new QPushButton(QStringLiteral("C&ompute"), inputs);
    start->setObjectName(QStringLiteral("compute"));
    start->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), inputs);
    cancel_->setEnabled(false);
    buttons->addWidget(start);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    column->addLayout(buttons);
    state_ = new QLabel(inputs);
    state_->setObjectName(QStringLiteral("frequency_state"));
    state_->setWordWrap(true);
    state_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    column->addWidget(state_, 1);
    inputs->setMinimumWidth(330);
    inputs->setMaximumWidth(420);
    row->addWidget(inputs);

    auto *outputs = new QWidget(this);
    auto *right = new QVBoxLayout(outputs);
    right->setContentsMargins(0, 0, 0, 0);
    auto *tabs = new QTabWidget(outputs);
    auto *charts = new QSplitter(Qt::Vertical, tabs);
    loss_view_ = new QChartView(charts);
    impedance_view_ = new QChartView(charts);
    for (QChartView *view : {loss_view_, impedance_view_}) {
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(480, 220);
        charts->addWidget(view);
    }
    charts->setStretchFactor(0, 3);
    charts->setStretchFactor(1, 2);
    tabs->addTab(charts, QStringLiteral("C&harts"));
    report_ = new QPlainTextEdit(tabs);
    report_->setObjectName(QStringLiteral("frequency_report"));
    report_->setReadOnly(true);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    tabs->addTab(report_, QStringLiteral("Res&ults"));
    right->addWidget(tabs, 1);
    auto *exports = new QHBoxLayout;
    auto *copy = new QPushButton(QStringLiteral("Co&py Results"), outputs);
    auto *csv = new QPushButton(QStringLiteral("E&xport CSV..."), outputs);
    auto *touchstone = new QPushButton(QStringLiteral("Save &Touchstone..."), outputs);
    exports->addStretch(1);
    for (QPushButton *b : {copy, csv, touchstone})
        exports->addWidget(b);
    right->addLayout(exports);
    row->addWidget(outputs, 1);

    connect(start, &QPushButton::clicked, this, &line_frequency_window::compute);
    for (QLineEdit *edit : {frequencies_, length_, z_ref_})
        connect(edit, &QLineEdit::returnPressed, this, &line_frequency_window::compute);
    connect(cancel_, &QPushButton::clicked, this, &line_frequency_window::cancel);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(report_->toPlainText()); });
    connect(csv, &QPushButton::clicked, this, [this] { export_dialog(false); });
    connect(touchstone, &QPushButton::clicked, this, [this] { export_dialog(true); });
    connect(&runner_, &newest_runner::busy_changed, cancel_, &QPushButton::setEnabled);
    connect(materials_, &loss_form::submitted, this, &line_frequency_window::compute);
    prepare(line_type::microstrip, unit_);
    draw();
    resize(1100, 720);
}

void line_frequency_window::prepare(std::optional<line_type> type, length_unit unit) {
    materials_->prepare(type, unit);
    if (unit != unit_) {
        length_->setText(QString::fromStdWString(
            length_text_convert(length_->text().trimmed().toStdWString(), unit_, unit)));
        unit_ = unit;
        show_result();
    }
    length_label_->setText(QStringLiteral("&Length (%1):").arg(unit_label(unit_)));
}

bool line_frequency_window::read_fields(std::vector<double> &hz, loss_input &loss, double &length,
                                        double &z_ref) {
    std::string text = frequencies_->text().trimmed().toStdString();
    std::string error;
    bool sweep = text.find(':') != std::string::npos;
    if (!(sweep ? frequency_sweep_parse(text, hz, error) : frequency_list_parse(text, hz, error))) {
        refuse(frequencies_, QStringLiteral("Frequencies: %1").arg(QString::fromStdString(error)));
        return false;
    }
    std::string why;
    if (QWidget *field = materials_->read(loss, why)) {
        refuse(field, QString::fromStdString(why));
        return false;
    }
    length = 0;
    QString typed = length_->text().trimmed();
    if (!typed.isEmpty()) {
        std::optional<double> mm = number_finite(length_text_typed_mm(typed.toStdWString(), unit_));
        if (!mm || !(*mm > 0)) {
            refuse(length_, QStringLiteral("Length '%1' refused: a positive length of line, or "
                                           "empty for no S-parameters")
                                .arg(typed));
            return false;
        }
        length = *mm / 1000;
    }
    std::optional<double> z = number_finite(z_ref_->text().trimmed().toStdWString());
    if (!z || !(*z > 0)) {
        refuse(z_ref_, QStringLiteral("Reference impedance '%1' refused: a positive number of ohms")
                           .arg(z_ref_->text().trimmed()));
        return false;
    }
    z_ref = *z;
    return true;
}

void line_frequency_window::refuse(QWidget *field, const QString &why) {
    if (refused_) refused_->setPalette(QPalette());
    refused_ = field;
    state_->setText(why);
    if (!field) return;
    QPalette tinted = field->palette();
    tinted.setColor(QPalette::Base, QColor(255, 220, 220));
    field->setPalette(tinted);
    field->setFocus(Qt::OtherFocusReason);
}

bool line_frequency_window::compute() {
    frequency_line line = line_();
    if (!line.refused.empty()) {
        refuse(nullptr, QString::fromStdWString(line.refused));
        return false;
    }
    std::vector<double> hz;
    loss_input loss;
    double length = 0, z_ref = 0;
    if (!read_fields(hz, loss, length, z_ref)) return false;
    computing_ = QStringLiteral("Computing %1 at %2 frequencies...")
                     .arg(QString::fromStdString(line.title))
                     .arg(hz.size());
    refuse(nullptr, computing_);
    int run = ++runs_;
    line_layout layout{line.input ? line_signal_count(line.input->type)
                                  : line.section.electrode_count};
    auto result = std::make_shared<frequency_result>();
    result->title = line.title;
    result->options = spectrum_option_lines(line.input ? &*line.input : nullptr);
    result->tolerance = line.tolerance;
    runner_.request([this, line = std::move(line), loss, hz = std::move(hz), length, z_ref, run,
                     layout, result](const calc_env &env) -> std::function<void()> {
        // Each solve of the study as it ends, shown unless a later run was asked for.
        line_watch watch = [this, run, layout](const line_point &p) {
            std::string step = line_step_report(p, layout);
            progress_->post([this, run, step] {
                if (run == runs_)
                    state_->setText(computing_ + QLatin1Char('\n') + QString::fromStdString(step));
            });
        };
        result->run = line_losses_run(line.input ? &*line.input : nullptr, line.section, loss, hz,
                                      length, z_ref, line.tolerance, false, env, watch);
        if (env_cancelled(env)) return {};
        return [this, result] { show_answer(result); };
    });
    return true;
}

void line_frequency_window::cancel() {
    if (!runner_.busy()) return;
    runner_.cancel();
    ++runs_;
    state_->setText(QStringLiteral("Cancelled"));
}

void line_frequency_window::closeEvent(QCloseEvent *event) {
    cancel();
    QWidget::closeEvent(event);
}

void line_frequency_window::show_answer(const std::shared_ptr<frequency_result> &answer) {
    const losses_run &run = answer->run;
    const std::wstring &why = !run.refused.empty()      ? run.refused
                              : !run.estimate.estimated ? run.estimate.stop
                                                        : run.spectrum.failure;
    if (!run.spectrum.ok) {
        result_.reset();
        show_result();
        state_->setText(QString::fromStdWString(why));
        return;
    }
    result_ = std::move(*answer);
    show_result();
    const line_estimate &e = result_->run.estimate;
    const std::vector<spectrum_point> &points = result_->run.spectrum.points;
    QString done = QStringLiteral("%1: %2 frequencies from %3 to %4")
                       .arg(QString::fromStdString(result_->title))
                       .arg(points.size())
                       .arg(QString::fromStdString(frequency_text(points.front().f)),
                            QString::fromStdString(frequency_text(points.back().f)));
    if (!e.converged) done += QStringLiteral("\n") + QString::fromStdWString(e.stop);
    state_->setText(done);
}

void line_frequency_window::show_result() {
    QString text;
    if (result_) {
        std::vector<std::string> lines =
            line_report(result_->title, result_->run.estimate, unit_, result_->tolerance);
        std::vector<std::string> losses = spectrum_report(result_->run.spectrum, unit_);
        lines.insert(lines.end(), losses.begin(), losses.end());
        for (const std::string &line : lines)
            text += QString::fromStdString(line) + QLatin1Char('\n');
    }
    report_->setPlainText(text);
    draw();
}

void line_frequency_window::draw() {
    spectrum_charts_show(loss_view_, impedance_view_, result_ ? &result_->run.spectrum : nullptr,
                         unit_);
}

QString line_frequency_window::nothing_to_save(bool touchstone) const {
    if (!result_) return QStringLiteral("Nothing to save yet: compute the line first.");
    if (touchstone && !(result_->run.spectrum.length > 0))
        return QStringLiteral("The S-parameters are of a length of line: give one in Length and "
                              "compute again.");
    return {};
}

bool line_frequency_window::write(const QString &path, const std::string &text,
                                  QString &error) const {
    std::string why;
    if (file_write_atomic(QFile::encodeName(path).toStdString(), text, why)) return true;
    error = QString::fromLocal8Bit(why);
    return false;
}

bool line_frequency_window::export_csv(const QString &path, QString &error) const {
    error = nothing_to_save(false);
    return error.isEmpty() && write(path, spectrum_csv(result_->run.spectrum), error);
}

bool line_frequency_window::save_touchstone(const QString &path, QString &error) const {
    error = nothing_to_save(true);
    if (!error.isEmpty()) return false;
    const losses_run &run = result_->run;
    return write(path,
                 spectrum_touchstone(result_->title, result_->options, run.spectrum, run.settings),
                 error);
}

void line_frequency_window::export_dialog(bool touchstone) {
    QString title = touchstone ? QStringLiteral("Save Touchstone") : QStringLiteral("Export CSV");
    QString why = nothing_to_save(touchstone);
    if (!why.isEmpty()) {
        QMessageBox::information(this, title, why);
        return;
    }
    int ports = 2 * result_->run.spectrum.n;
    QString suffix = touchstone ? QStringLiteral("s%1p").arg(ports) : QStringLiteral("csv");
    QString filter = touchstone
                         ? QStringLiteral("Touchstone, %1 ports (*.%2)").arg(ports).arg(suffix)
                         : QStringLiteral("R, L, G, C table (*.csv)");
    QString path = QFileDialog::getSaveFileName(this, title, QStringLiteral("losses.") + suffix,
                                                filter + QStringLiteral(";;All files (*)"));
    QString error;
    if (!path.isEmpty() && !(touchstone ? save_touchstone(path, error) : export_csv(path, error)))
        QMessageBox::warning(this, title, error);
}
