// The run's histogram in the main window, beside the statistics: the
// measured values of the run in micrometres where the window shows them,
// else in sub-pixels, with the limits of the last reply.
#pragma once

#include "platform/widgets/histogram.h"
#include "statistics/histogram.h"

// A histogram as the window services draw it, its axis titled unit. The
// view points into figures: keep them while the view is used.
HistogramView HistogramViewOf(const HistogramFigures &figures, const char *unit);

// The run's histogram as the window shows it, into *f: micrometres where
// the window shows them (the limits turned into micrometres as the sensor
// turns values), else sub-pixels. Returns the axis title.
const char *ShownRunHistogram(HistogramFigures *f);

// Draws figures of ShownRunHistogram on the window's histogram.
void DrawRunHistogram(const HistogramFigures &f, const char *unit);
