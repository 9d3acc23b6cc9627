// The losses window's two charts of a line's spectrum against frequency, on a logarithmic
// axis over a decade or more: the attenuation split by cause (total, conductors,
// dielectric; of a pair's differential mode) on a scale from 0, and the magnitude of the
// impedance (a pair's differential impedance).
#pragma once

#include "input/length_units.h"
#include "studies/line_spectrum.h"
#include "studies/spectrum_report.h"

#include <QChartView>

// Puts new charts of the spectrum (none: empty charts) into the views, in the unit's
// attenuation per length; the charts before are deleted.
void spectrum_charts_show(QChartView *losses, QChartView *impedance, const line_spectrum *s,
                          length_unit unit);
