// The line page's validation, drawing and live solving.
#include "ui/line_page.h"

#include "input/fields.h"
#include "studies/line_report.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <memory>

namespace {

// What a line's results are titled: its type, or the cross-section file solved.
std::string line_title(line_type type, const std::string &file) {
    return file.empty() ? line_type_spec_of(type).label : "Cross-section " + file;
}

} // namespace

line_page::line_page(QWidget *parent)
    : QWidget(parent), tolerance_(default_tolerance_percent / 100) {
    auto *row = new QHBoxLayout(this);
    auto *dimensions = new QGroupBox(QStringLiteral("Dimensions"), this);
    auto *column = new QVBoxLayout(dimensions);
    forms_ = new QStackedWidget(dimensions);
    file_note_ = new QLabel(forms_);
    file_note_->setWordWrap(true);
    file_note_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    forms_->addWidget(file_note_);
    column->addWidget(forms_);
    column->addStretch(1);
    dimensions->setMinimumWidth(230);
    dimensions->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    row->addWidget(dimensions);

    auto *split = new QSplitter(Qt::Vertical, this);
    drawing_ = new section_view(split);
    drawing_->setObjectName(QStringLiteral("section_drawing"));
    auto *lower = new QWidget(split);
    auto *lower_column = new QVBoxLayout(lower);
    lower_column->setContentsMargins(0, 0, 0, 0);
    state_ = new QLabel(lower);
    state_->setObjectName(QStringLiteral("line_state"));
    state_->setWordWrap(true);
    results_ = new QPlainTextEdit(lower);
    results_->setObjectName(QStringLiteral("line_results"));
    results_->setReadOnly(true);
    results_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    results_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(state_, 1);
    auto *copy = new QPushButton(QStringLiteral("&Copy Results"), lower);
    auto *save = new QPushButton(QStringLiteral("E&xport JSON..."), lower);
    auto *show = new QPushButton(QStringLiteral("Show Fi&eld..."), lower);
    show->setObjectName(QStringLiteral("show_field"));
    for (QPushButton *b : {copy, save, show})
        buttons->addWidget(b);
    lower_column->addLayout(buttons);
    lower_column->addWidget(results_, 1);
    connect(copy, &QPushButton::clicked, this, &line_page::copy_requested);
    connect(save, &QPushButton::clicked, this, &line_page::export_requested);
    connect(show, &QPushButton::clicked, this, &line_page::show_field);
    field_ = new field_view(this);
    sweep_ = new line_sweep_window([this] { return form()->input_mm(); }, this);
    synthesis_ = new line_synthesis_dialog([this] { return form(); }, this);
    frequency_ = new line_frequency_window([this] { return frequency_source(); }, this);
    split->addWidget(drawing_);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    row->addWidget(split, 1);

    connect(&runner_, &newest_runner::busy_changed, this, [this](bool busy) {
        results_->setEnabled(!busy);
        if (busy) state_->setText(QStringLiteral("Solving..."));
    });
    // The first form without a solve: the window starts on the two-strip line, and the
    // page solves when a type is chosen.
    show_form(type_);
}

line_form *line_page::form() const {
    return by_type_.at(type_);
}

void line_page::set_type(line_type type) {
    show_form(type);
    refresh();
}

void line_page::show_form(line_type type) {
    type_ = type;
    file_section_.reset();
    auto found = by_type_.find(type);
    if (found == by_type_.end()) {
        auto *form = new line_form(type, forms_);
        form->set_unit(unit_);
        forms_->addWidget(form);
        connect(form, &line_form::edited, this, [this] {
            emit edited();
            refresh();
        });
        found = by_type_.emplace(type, form).first;
    }
    forms_->setCurrentWidget(found->second);
    prepare_frequency();
}

void line_page::set_input_mm(const line_input &input) {
    show_form(input.type);
    form()->set_input_mm(input);
    refresh();
}

void line_page::set_unit(length_unit unit) {
    unit_ = unit;
    sweep_->prepare(type_, unit);
    if (synthesis_->isVisible()) synthesis_->prepare(type_, unit);
    prepare_frequency();
    for (auto &[type, form] : by_type_)
        form->set_unit(unit);
    if (drawing_->has_section() && !file_section_) {
        line_geometry g;
        std::wstring reason;
        if (!line_read(form()->input_mm(), g, reason))
            drawing_->set_section(drawing_->section(), section_marks(g, drawing_->section(), unit));
    }
    show_results();
}

void line_page::show_cross_section(const cross_section &section, const QString &path) {
    file_section_ = section;
    file_path_ = path;
    file_note_->setText(
        QStringLiteral("The cross-section of %1, computed as it is. Edit the file to change it; "
                       "choose a line type to leave it.")
            .arg(path));
    forms_->setCurrentWidget(file_note_);
    prepare_frequency();
    refresh();
}

void line_page::refresh() {
    answer_.reset();
    if (file_section_) {
        drawing_->set_section(*file_section_, {});
        if (field_->isVisible()) field_->set_section(*file_section_);
        cross_section section = *file_section_;
        solve({}, file_path_.toStdString(), [section](const calc_env &env, double tolerance) {
            return line_study_run(section, tolerance, false, env);
        });
        return;
    }
    line_form *f = form();
    line_input input = f->input_mm();
    line_geometry g;
    std::wstring reason;
    // An emptied field would read as its start value: it is refused instead.
    std::optional<line_option> bad = f->empty_field(reason);
    if (!bad) bad = line_read(input, g, reason);
    cross_section section{};
    if (!bad && line_build(input, section, reason)) {
        f->mark_refused(std::nullopt);
        drawing_->set_section(section, section_marks(g, section, unit_));
        if (field_->isVisible()) field_->set_section(section);
        solve(input, {}, [input](const calc_env &env, double tolerance) {
            return line_study_input(input, tolerance, false, env);
        });
        return;
    }
    // Refused: nothing older may show, the drawing and the field say why.
    runner_.cancel();
    field_->set_note(QString::fromStdWString(reason));
    f->mark_refused(bad ? bad : line_option_named_in(reason));
    QString why = QString::fromStdWString(reason);
    drawing_->set_note(why);
    state_->setText(why);
    results_->clear();
    results_->setEnabled(true);
}

void line_page::solve(const line_input &input, const std::string &file,
                      std::function<line_estimate(const calc_env &, double)> study) {
    double tolerance = tolerance_;
    runner_.request([this, input, file, tolerance,
                     study = std::move(study)](const calc_env &env) -> std::function<void()> {
        auto answer = std::make_shared<line_answer>(
            line_answer{input, file, tolerance, study(env, tolerance)});
        if (answer->estimate.cancelled) return {};
        return [this, answer] { show_answer(*answer); };
    });
}

void line_page::show_answer(const line_answer &answer) {
    answer_ = answer;
    show_results();
    emit answered();
}

void line_page::show_results() {
    if (!answer_) return;
    const line_estimate &e = answer_->estimate;
    std::vector<std::string> lines =
        line_report(line_title(answer_->input.type, answer_->file), e, unit_, answer_->tolerance);
    QString text;
    for (const std::string &line : lines)
        text += QString::fromStdString(line) + QLatin1Char('\n');
    results_->setPlainText(text);
    results_->setEnabled(true);
    state_->setText(e.converged ? QString() : QString::fromStdWString(e.stop));
    drawing_->set_note(QString());
}

namespace {

bool refuse_file_study(QWidget *page, bool file) {
    if (file)
        QMessageBox::information(page, QStringLiteral("Studies"),
                                 QStringLiteral("Sweeps and syntheses vary a line type's options; "
                                                "a cross-section file is computed as it is."));
    return file;
}

} // namespace

void line_page::open_sweep() {
    if (refuse_file_study(this, showing_file())) return;
    sweep_->prepare(type_, unit_);
    sweep_->show();
    sweep_->raise();
    sweep_->activateWindow();
}

void line_page::open_synthesis() {
    if (refuse_file_study(this, showing_file())) return;
    synthesis_->prepare(type_, unit_);
    synthesis_->show();
    synthesis_->raise();
}

void line_page::open_frequency() {
    prepare_frequency();
    frequency_->show();
    frequency_->raise();
    frequency_->activateWindow();
}

void line_page::prepare_frequency() {
    frequency_->prepare(file_section_ ? std::nullopt : std::optional(type_), unit_);
}

frequency_line line_page::frequency_source() const {
    frequency_line line;
    line.tolerance = tolerance_;
    if (file_section_) {
        line.section = *file_section_;
        line.title = line_title(type_, file_path_.toStdString());
        return line;
    }
    line.input = form()->input_mm();
    line.title = line_title(type_, {});
    // An emptied field would read as its start value: it is refused, as the page does.
    form()->empty_field(line.refused);
    return line;
}

void line_page::set_tolerance(double tolerance) {
    tolerance_ = tolerance;
    refresh();
}

void line_page::show_field() {
    if (drawing_->has_section()) field_->set_section(drawing_->section());
    field_->show();
    field_->raise();
    field_->activateWindow();
}

QString line_page::result_text() const {
    return results_->toPlainText();
}

std::string line_page::result_json() const {
    if (!answer_) return {};
    return line_record_json(answer_->file.empty() ? &answer_->input : nullptr, answer_->estimate,
                            answer_->tolerance);
}
