// The run's histogram in the main window, beside the statistics: the
// measured values of the run in micrometres where the window shows them,
// else in sub-pixels, with the limits of the last reply.
#pragma once

#include "platform/widgets/histogram.h"
#include "statistics/histogram.h"

// A histogram as the window services draw it, its axis titled unit. The
// view points into figures: keep them while the view is used.
HistogramView HistogramViewOf(const HistogramFigures &figures, const char *unit);

// Draws the run's histogram now (the statistics' ticker calls it when the
// run has changed, at most five times a second).
void ShowRunHistogram(void);
