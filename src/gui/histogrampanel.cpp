// The run's histogram control of the main window.
#include "gui/histogrampanel.h"

#include "com232/com232.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

HistogramView HistogramViewOf(const HistogramFigures &f, const char *unit) {
    HistogramView v;
    v.start = f.start;
    v.width = f.width;
    v.counts = f.counts.data();
    v.bins = static_cast<int>(f.counts.size());
    v.mean = f.mean;
    v.sd = f.sd;
    v.total = f.total;
    v.hasNormal = f.hasNormal;
    v.setPoint = f.setPoint;
    v.lower = f.lower;
    v.upper = f.upper;
    v.hasLimits = f.hasLimits;
    v.hasShares = f.replies > 0;
    if (f.replies > 0) {
        v.belowShare = static_cast<double>(f.below) / static_cast<double>(f.replies);
        v.aboveShare = static_cast<double>(f.above) / static_cast<double>(f.replies);
    }
    v.unit = unit;
    return v;
}

// A value in sub-pixels as the sensor turns it into micrometres: by the
// calibration words, value x slope / scale + offset.
static double Micrometres(double value) {
    return value * static_cast<double>(slope) / SlopeScale() +
           (static_cast<double>(intersect) - YOFFSET);
}

const char *ShownRunHistogram(HistogramFigures *f) {
    int umShown = 0;
    GetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, &umShown);
    const bool any = RunHistogram(umShown, f);
    if (umShown && f->hasLimits) {
        f->setPoint = Micrometres(f->setPoint);
        f->lower = Micrometres(f->lower);
        f->upper = Micrometres(f->upper);
    }
    f->hasLimits = f->hasLimits && any;
    return umShown ? "Measured value [\xB5m]" : "Measured value [sub-pixels]";
}

void DrawRunHistogram(const HistogramFigures &f, const char *unit) {
    HistogramView v = HistogramViewOf(f, unit);
    PlotHistogram(pHandle, PANEL_GRAPHHistogram, &v);
}
