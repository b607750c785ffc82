// Histogram controls: bars of a distribution with its tolerance limits, the
// normal curve of the same mean and spread, and the share out of tolerance
// on each side.
//
// How it works
// - A histogram control is a graph control of the resource file of class
//   HistogramPlot; the review window has one of its own. PlotHistogram
//   replaces everything it shows with what the view describes, and repaints
//   once, queued.
// - The limits are dashed red lines at set-point - tolerance and + tolerance
//   and a solid green line at the set-point; the curve is a blue line; the
//   shares stand in the top corners, the lower limit's at the left, the
//   upper one a line lower where the two would meet. The x axis has as many
//   ticks as its labels leave room for.
// - Texts are Windows-1252 (the micro sign is 0xB5).
#pragma once

struct HistogramView {
    double start = 0.0;           // left edge of the first bin
    double width = 1.0;           // width of every bin
    const long *counts = nullptr; // values per bin
    int bins = 0;                 // 0: an empty histogram
    double mean = 0.0;            // of the normal curve
    double sd = 0.0;
    long total = 0;        // values counted (the curve's area)
    int hasNormal = 0;     // draw the curve
    double setPoint = 0.0; // limits, in the unit of the bins
    double lower = 0.0;
    double upper = 0.0;
    int hasLimits = 0;       // draw the limits
    double belowShare = 0.0; // share below the lower limit, 0..1
    double aboveShare = 0.0; // share above the upper limit, 0..1
    int hasShares = 0;       // show the shares
    const char *unit = "";   // title of the x axis
};

// Shows the view on a histogram control. 0, or -1 when the control is none.
int PlotHistogram(int panel, int control, const HistogramView *view);
