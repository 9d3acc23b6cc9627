// The sweep window.
#include "ui/sweep_window.h"

#include "input/number_syntax.h"
#include "studies/plot_axis.h"
#include "studies/study_report.h"
#include "studies/svg_plot.h"
#include "ui/save_file.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QScatterSeries>
#include <QSplitter>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace {

std::optional<double> number(const QLineEdit *field) {
    return number_finite(field->text().trimmed().toStdWString());
}

// One quantity on its own axis: a line through every run of successful points (a failed
// point breaks it) and a marker on each point.
void add_quantity(QChart *chart, QValueAxis *x_axis, QValueAxis *y_axis, const QString &name,
                  const QColor &colour, const std::vector<double> &x,
                  const std::vector<double> &y) {
    auto *markers = new QScatterSeries(chart);
    markers->setName(name);
    markers->setColor(colour);
    markers->setMarkerSize(7);
    QLineSeries *line = nullptr;
    std::vector<QLineSeries *> lines;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(y[i])) {
            line = nullptr;
            continue;
        }
        markers->append(x[i], y[i]);
        if (!line) {
            line = new QLineSeries(chart);
            line->setColor(colour);
            lines.push_back(line);
        }
        line->append(x[i], y[i]);
    }
    for (QLineSeries *l : lines) {
        chart->addSeries(l);
        l->attachAxis(x_axis);
        l->attachAxis(y_axis);
        for (QLegendMarker *m : chart->legend()->markers(l))
            m->setVisible(false);
    }
    chart->addSeries(markers);
    markers->attachAxis(x_axis);
    markers->attachAxis(y_axis);
}

// The range of the finite values; low > high when there are none.
std::pair<double, double> range_of(const std::vector<double> &values) {
    double low = INFINITY, high = -INFINITY;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return {low, high};
}

// A value axis over the values with round ticks, a little wider than the data.
void fit_value_axis(QValueAxis *axis, const std::vector<double> &values) {
    auto [low, high] = range_of(values);
    if (!(low <= high)) return;
    double margin = high > low ? 0.05 * (high - low) : std::max(std::fabs(low) * 0.01, 1e-3);
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
}

// The swept axis spans exactly the values swept, with ticks at round values inside it
// (1, 2 or 5 times a power of ten apart, about five of them).
void fit_swept_axis(QValueAxis *axis, const std::vector<double> &values) {
    auto [low, high] = range_of(values);
    if (!(low <= high)) return;
    if (low == high) {
        double pad = low == 0 ? 1 : std::fabs(low) * 0.05;
        low -= pad;
        high += pad;
    }
    double tick = plot_tick(high - low);
    axis->setRange(low, high);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(std::ceil(low / tick) * tick);
    axis->setTickInterval(tick);
    axis->setLabelFormat(QStringLiteral("%.6g"));
}

// The command line's SVG chart draws Z0 in red and the permittivity in blue.
const QColor z0_colour(0xc0, 0, 0);
const QColor eps_colour(0, 0, 0xc0);

} // namespace

sweep_window::sweep_window(calculator_dialog &calculator, QWidget *owner)
    : study_window(calculator, owner, QStringLiteral("Sweep - Orvanta Calculator"),
                   QStringLiteral("R&un")) {
    auto *layout = new QVBoxLayout(this);
    auto *controls = new QHBoxLayout;
    for (const field_spec &f : field_specs())
        field_->addItem(QString::fromUtf8(f.label));
    from_ = new QLineEdit(QStringLiteral("1"), this);
    to_ = new QLineEdit(QStringLiteral("4"), this);
    step_ = new QLineEdit(QStringLiteral("0.25"), this);
    auto labelled = [&](const char *text, QWidget *w) {
        auto *label = new QLabel(QString::fromUtf8(text), this);
        label->setBuddy(w);
        controls->addWidget(label);
        controls->addWidget(w);
    };
    labelled("&Field:", field_);
    labelled("F&rom:", from_);
    labelled("&To:", to_);
    labelled("&Step:", step_);
    for (QLineEdit *input : {from_, to_, step_})
        add_input(input);
    from_->setToolTip(QStringLiteral("First value, in the field's unit"));
    to_->setToolTip(QStringLiteral("Last value, reached within rounding"));
    step_->setToolTip(QStringLiteral("Increment between values (at most 10000 values)"));
    controls->addWidget(run_);
    controls->addWidget(cancel_);
    layout->addLayout(controls);

    view_ = new QChartView(new QChart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(480, 300);
    table_ = new QTableWidget(0, 4, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setToolTip(QStringLiteral("The sweep's numbers; a failed point has no figures"));
    failures_ = new QListWidget(this);
    failures_->setToolTip(QStringLiteral("Points whose calculation failed, and why"));
    auto *beside = new QSplitter(Qt::Horizontal, this);
    beside->addWidget(view_);
    beside->addWidget(table_);
    beside->setStretchFactor(0, 3);
    beside->setStretchFactor(1, 2);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(beside);
    split->addWidget(failures_);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    auto *bottom = new QHBoxLayout;
    export_table_ = new QPushButton(QStringLiteral("Export &Table..."), this);
    export_chart_ = new QPushButton(QStringLiteral("Export C&hart..."), this);
    export_table_->setEnabled(false);
    export_chart_->setEnabled(false);
    bottom->addWidget(status_, 1);
    bottom->addWidget(export_table_);
    bottom->addWidget(export_chart_);
    layout->addLayout(bottom);
    resize(980, 560);

    connect(run_, &QPushButton::clicked, this, &sweep_window::run);
    connect(export_table_, &QPushButton::clicked, this, [this] { choose_export(false); });
    connect(export_chart_, &QPushButton::clicked, this, [this] { choose_export(true); });
}

void sweep_window::running_changed(bool running) {
    export_table_->setEnabled(!running && result_ && !result_->points.empty());
    export_chart_->setEnabled(export_table_->isEnabled());
}

void sweep_window::run() {
    if (!may_start()) return;
    input_field which = input_field(field_->currentIndex());
    std::optional<double> from = number(from_), to = number(to_), step = number(step_);
    if (!from || !to || !step) {
        status_->setText(QStringLiteral("From, To and Step must be numbers"));
        return;
    }
    // The study runs in millimetres, whatever the window shows.
    double scale = field_is_length(which) ? length_unit_mm(calculator_.unit()) : 1.0;
    long count = study_sweep_count(*from * scale, *to * scale, *step * scale);
    if (count == 0) {
        status_->setText(QStringLiteral("Step must lead from From to To in at most 10000 steps"));
        return;
    }
    solver_variant variant = calculator_.accurate_action()->isChecked() ? solver_variant::accurate
                                                                        : solver_variant::specified;
    calc_params params{};
    // A swept thickness needs the accurate variant as much as a typed one.
    if (which == input_field::t && variant == solver_variant::specified) {
        status_->setText(QStringLiteral("Sweeping t needs the accurate variant"));
        return;
    }
    if (!calculator_.validate(params, variant)) {
        status_->setText(QStringLiteral("A field is refused: see the result list"));
        return;
    }
    field_texts texts = calculator_.field_texts_mm();
    auto outcome = std::make_shared<sweep>();
    double first = *from * scale, last = *to * scale, increment = *step * scale;
    drawn_unit_ = calculator_.unit();
    status_->setText(QStringLiteral("Running %1 calculations...").arg(count));
    start(
        QStringLiteral("Sweep"), int(count),
        [=](const calc_env &env, const study_watch &watch) {
            *outcome = study_sweep(texts, which, first, last, increment, variant, env, watch);
        },
        [this, outcome, count] {
            result_ = std::move(*outcome);
            long failed = 0;
            for (const study_point &p : result_->points)
                failed += !p.ok;
            QString summary = result_->cancelled
                                  ? QStringLiteral("Cancelled after %1 of %2 points")
                                        .arg(result_->points.size())
                                        .arg(count)
                                  : QStringLiteral("%1 points").arg(result_->points.size());
            if (failed) summary += QStringLiteral(", %1 failed").arg(failed);
            status_->setText(summary);
            draw();
            fill_table();
        });
}

void sweep_window::draw() {
    QChart *chart = view_->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    failures_->clear();
    if (!result_) return;
    input_field which = result_->field;
    bool length = field_is_length(which);
    double scale = length ? length_unit_mm(drawn_unit_) : 1.0;
    plot_series series = sweep_series(*result_);
    std::vector<double> x;
    for (double v : series.x)
        x.push_back(v / scale);
    QString unit = QString::fromWCharArray(length_unit_label(drawn_unit_));
    QString name = QString::fromUtf8(field_spec_of(which).label);

    auto *x_axis = new QValueAxis(chart);
    x_axis->setTitleText(length ? QStringLiteral("%1 (%2)").arg(name, unit) : name);
    auto *z0_axis = new QValueAxis(chart);
    z0_axis->setTitleText(QStringLiteral("Z0 (Ohm)"));
    auto *eps_axis = new QValueAxis(chart);
    eps_axis->setTitleText(QStringLiteral("Effective permittivity"));
    chart->addAxis(x_axis, Qt::AlignBottom);
    chart->addAxis(z0_axis, Qt::AlignLeft);
    chart->addAxis(eps_axis, Qt::AlignRight);
    fit_swept_axis(x_axis, x);
    fit_value_axis(z0_axis, series.z0);
    fit_value_axis(eps_axis, series.eps_eff);
    add_quantity(chart, x_axis, z0_axis, QStringLiteral("Z0"), z0_colour, x, series.z0);
    add_quantity(chart, x_axis, eps_axis, QStringLiteral("Effective permittivity"), eps_colour, x,
                 series.eps_eff);
    for (const study_point &p : result_->points) {
        if (p.ok) continue;
        failures_->addItem(QStringLiteral("%1 = %2%3: %4")
                               .arg(name, QString::fromStdWString(p.value),
                                    length ? QStringLiteral(" mm") : QString(),
                                    QString::fromStdWString(study_failure_reason(p))));
    }
}

// The numbers as the chart shows them, the swept values in the window's unit.
void sweep_window::fill_table() {
    table_->clearContents();
    table_->setRowCount(0);
    if (!result_) return;
    bool length = field_is_length(result_->field);
    QString name = QString::fromUtf8(field_spec_of(result_->field).label);
    QString unit = QString::fromWCharArray(length_unit_label(drawn_unit_));
    table_->setHorizontalHeaderLabels({length ? QStringLiteral("%1 (%2)").arg(name, unit) : name,
                                       QStringLiteral("Z0 (Ohm)"), QStringLiteral("eps_eff"),
                                       QStringLiteral("cells")});
    table_->setRowCount(int(result_->points.size()));
    for (std::size_t i = 0; i < result_->points.size(); ++i) {
        const study_point &p = result_->points[i];
        std::wstring value =
            length ? length_text_shown(p.value, length_unit::mm, drawn_unit_) : p.value;
        QStringList cells{QString::fromStdWString(value)};
        if (p.ok) {
            cells << QString::number(p.z0, 'f', 6) << QString::number(p.eps_eff, 'f', 6)
                  << QString::number(p.cells);
        }
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(int(i), c, item);
        }
    }
}

bool sweep_window::export_table(const QString &path, QString &error) const {
    return result_ && save_file(path, sweep_csv(*result_), error);
}

bool sweep_window::export_chart(const QString &path, QString &error) {
    if (!result_) return false;
    if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        // Drawn at a size of its own, whatever the window's: the chart is laid out again
        // for the image and then for the window.
        const QSize size(1600, 1000);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QChart *chart = view_->chart();
        QSizeF shown = chart->size();
        chart->resize(size);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            view_->scene()->render(&painter, QRectF(QPointF(0, 0), size),
                                   QRectF(QPointF(0, 0), size));
        }
        chart->resize(shown);
        if (image.save(path, "PNG")) return true;
        error = QStringLiteral("%1: could not write the image").arg(path);
        return false;
    }
    // The vector chart is the command line's, in the calculation's millimetres.
    std::FILE *file = std::fopen(path.toLocal8Bit().constData(), "w");
    if (!file) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    bool written = write_svg_plot(file, sweep_series(*result_));
    if (std::fclose(file) != 0 || !written) {
        error = QStringLiteral("%1: could not write the chart").arg(path);
        return false;
    }
    return true;
}

void sweep_window::choose_export(bool chart) {
    QString path = chart ? QFileDialog::getSaveFileName(
                               this, QStringLiteral("Export Chart"), QStringLiteral("sweep.svg"),
                               QStringLiteral("SVG image (*.svg);;PNG image (*.png)"))
                         : QFileDialog::getSaveFileName(this, QStringLiteral("Export Table"),
                                                        QStringLiteral("sweep.csv"),
                                                        QStringLiteral("CSV table (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!(chart ? export_chart(path, error) : export_table(path, error)))
        QMessageBox::warning(this, QStringLiteral("Export"), error);
}
