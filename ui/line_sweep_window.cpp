// The line sweep's fields, its run on the runner and its chart.
#include "ui/line_sweep_window.h"

#include "input/number_syntax.h"
#include "studies/line_report.h"
#include "ui/line_form.h"
#include "ui/save_file.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>
#include <memory>

line_sweep_window::line_sweep_window(std::function<line_input()> line, QWidget *owner)
    : QWidget(owner, Qt::Window), line_(std::move(line)) {
    setObjectName(QStringLiteral("line_sweep"));
    setWindowTitle(QStringLiteral("Sweep"));
    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    option_ = new QComboBox(this);
    from_ = new QLineEdit(this);
    to_ = new QLineEdit(this);
    step_ = new QLineEdit(this);
    form->addRow(QStringLiteral("&Option:"), option_);
    form->addRow(QStringLiteral("&From:"), from_);
    form->addRow(QStringLiteral("&To:"), to_);
    form->addRow(QStringLiteral("&Step:"), step_);
    column->addLayout(form);
    auto *buttons = new QHBoxLayout;
    state_ = new QLabel(this);
    state_->setWordWrap(true);
    auto *start = new QPushButton(QStringLiteral("&Run"), this);
    auto *stop = new QPushButton(QStringLiteral("&Cancel"), this);
    auto *save = new QPushButton(QStringLiteral("E&xport JSON..."), this);
    buttons->addWidget(state_, 1);
    for (QPushButton *b : {start, stop, save})
        buttons->addWidget(b);
    column->addLayout(buttons);
    view_ = new QChartView(this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(560, 340);
    column->addWidget(view_, 1);
    connect(start, &QPushButton::clicked, this, &line_sweep_window::run);
    connect(stop, &QPushButton::clicked, this, [this] {
        runner_.cancel();
        state_->setText(QStringLiteral("Cancelled"));
    });
    connect(save, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Sweep"),
                                                    QStringLiteral("sweep.json"),
                                                    QStringLiteral("JSON record (*.json)"));
        QString error;
        if (!path.isEmpty() && !export_json(path, error))
            QMessageBox::warning(this, QStringLiteral("Export Sweep"), error);
    });
    connect(&runner_, &newest_runner::busy_changed, this, [this](bool busy) {
        if (busy) state_->setText(QStringLiteral("Sweeping..."));
    });
}

void line_sweep_window::prepare(line_type type, length_unit unit) {
    unit_ = unit;
    line_option_choices(option_, type, unit, true);
}

bool line_sweep_window::run() {
    if (option_->currentIndex() < 0) return false;
    std::optional<line_option> option = line_option(option_->currentData().toInt());
    bool length = line_option_spec_of(*option).unit == field_unit::length;
    double scale = length ? length_unit_mm(unit_) : 1.0;
    double values[3];
    QLineEdit *fields[3] = {from_, to_, step_};
    for (int k = 0; k < 3; ++k) {
        std::optional<double> v = number_finite(fields[k]->text().trimmed().toStdWString());
        if (!v || (k == 2 && !(*v > 0))) {
            state_->setText(QStringLiteral("%1 '%2' refused: %3")
                                .arg(k == 0   ? QStringLiteral("From")
                                     : k == 1 ? QStringLiteral("To")
                                              : QStringLiteral("Step"),
                                     fields[k]->text(),
                                     k == 2 ? QStringLiteral("a step must be a number > 0")
                                            : QStringLiteral("not a number")));
            fields[k]->setFocus();
            return false;
        }
        values[k] = *v * scale;
    }
    line_input input = line_();
    double tolerance = default_tolerance_percent / 100;
    runner_.request([this, input, option = *option, values,
                     tolerance](const calc_env &env) -> std::function<void()> {
        auto s = std::make_shared<line_sweep>(
            line_sweep_run(input, option, values[0], values[1], values[2], tolerance, false, env));
        if (s->cancelled) return {};
        return [this, s, input] {
            result_ = *s;
            swept_ = input;
            state_->setText(QStringLiteral("%1 points").arg(s->x.size()));
            draw();
        };
    });
    return true;
}

void line_sweep_window::draw() {
    auto *chart = new QChart;
    const line_sweep &s = *result_;
    bool pair = !s.points.empty() && s.points.front().layout.n == 2;
    bool length = line_option_spec_of(s.option).unit == field_unit::length;
    double scale = length ? length_unit_mm(unit_) : 1.0;
    const line_target targets[2] = {pair ? line_target::zdiff : line_target::z0,
                                    line_target::zcommon};
    const QString names[2] = {pair ? QStringLiteral("Zdiff (Ohm)") : QStringLiteral("Z0 (Ohm)"),
                              QStringLiteral("Zcommon (Ohm)")};
    auto *x_axis = new QValueAxis;
    x_axis->setTitleText(option_->currentText());
    chart->addAxis(x_axis, Qt::AlignBottom);
    for (int k = 0; k < (pair ? 2 : 1); ++k) {
        auto *series = new QLineSeries;
        series->setName(names[k]);
        series->setPointsVisible(true);
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            double figure = line_target_figure(s.points[i], targets[k]);
            if (s.points[i].estimated && std::isfinite(figure))
                series->append(s.x[i] / scale, figure);
        }
        chart->addSeries(series);
        auto *y_axis = new QValueAxis;
        y_axis->setTitleText(names[k]);
        chart->addAxis(y_axis, k == 0 ? Qt::AlignLeft : Qt::AlignRight);
        series->attachAxis(x_axis);
        series->attachAxis(y_axis);
    }
    QChart *old = view_->chart();
    view_->setChart(chart);
    delete old;
}

bool line_sweep_window::export_json(const QString &path, QString &error) const {
    if (!result_) {
        error = QStringLiteral("%1: no sweep has ended yet").arg(path);
        return false;
    }
    return save_file(path, line_sweep_json(swept_, *result_, default_tolerance_percent / 100),
                     error);
}
