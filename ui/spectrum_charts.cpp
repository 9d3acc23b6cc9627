// Qt Charts of the losses window's curves.
#include "ui/spectrum_charts.h"

#include "ui/painting/spectrum_curves.h"

#include <QLineSeries>
#include <QLogValueAxis>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace {

// Frequency on a logarithmic axis over a decade or more, widened by a hair so that a
// power of ten at either end keeps its label; below a decade such an axis would label no
// power of ten at all, and the axis is linear.
QAbstractAxis *frequency_axis(const spectrum_curves &c) {
    QString title = QStringLiteral("Frequency (%1)").arg(QString::fromStdString(c.frequency_unit));
    double low = c.f.front(), high = c.f.back();
    if (high >= 10 * low) {
        auto *axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setMinorTickCount(-1);
        axis->setTitleText(title);
        axis->setRange(low * (1 - 1e-9), high * (1 + 1e-9));
        return axis;
    }
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(low == high ? low / 2 : low, low == high ? high * 3 / 2 : high);
    axis->applyNiceNumbers();
    return axis;
}

// Curves against the frequency, each value that is not finite left out; one frequency,
// or one value, still gets a scale around it.
void plot(QChart *chart, const spectrum_curves &c,
          std::initializer_list<std::pair<QString, const std::vector<double> *>> curves,
          const QString &y_title, bool from_zero) {
    if (c.f.empty()) {
        chart->setTitle(QStringLiteral("No frequency above 0 Hz to draw"));
        return;
    }
    QAbstractAxis *x = frequency_axis(c);
    chart->addAxis(x, Qt::AlignBottom);
    auto *y = new QValueAxis;
    y->setTitleText(y_title);
    chart->addAxis(y, Qt::AlignLeft);
    double low = INFINITY, high = -INFINITY;
    for (const auto &[name, values] : curves) {
        auto *series = new QLineSeries;
        series->setName(name);
        for (std::size_t i = 0; i < c.f.size(); ++i) {
            double v = (*values)[i];
            if (!std::isfinite(v)) continue;
            series->append(c.f[i], v);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->legend()->setVisible(curves.size() > 1);
    if (from_zero) low = std::min(low, 0.0);
    if (!(high > low)) {
        double pad = std::isfinite(low) && low != 0 ? std::fabs(low) / 10 : 1;
        low = std::isfinite(low) ? low - pad : 0;
        high = low + 2 * pad;
    }
    y->setRange(low, high);
    y->applyNiceNumbers();
}

void replace_chart(QChartView *view, QChart *chart) {
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace

void spectrum_charts_show(QChartView *losses, QChartView *impedance, const line_spectrum *s,
                          length_unit unit) {
    auto *loss_chart = new QChart;
    auto *impedance_chart = new QChart;
    if (s) {
        spectrum_curves c = spectrum_curves_of(*s, unit);
        QString mode = QString::fromStdString(c.mode);
        QString name = QString::fromStdString(c.impedance);
        loss_chart->setTitle(mode.isEmpty() ? QStringLiteral("Attenuation")
                                            : QStringLiteral("Attenuation of the %1").arg(mode));
        plot(loss_chart, c,
             {{QStringLiteral("Total"), &c.total},
              {QStringLiteral("Conductors"), &c.conductors},
              {QStringLiteral("Dielectric"), &c.dielectric}},
             QStringLiteral("Attenuation (%1)").arg(QString::fromStdString(c.loss_unit)), true);
        impedance_chart->setTitle(QStringLiteral("Impedance %1").arg(name));
        plot(impedance_chart, c, {{name, &c.z}}, QStringLiteral("%1 (Ohm)").arg(name), false);
    }
    replace_chart(losses, loss_chart);
    replace_chart(impedance, impedance_chart);
}
