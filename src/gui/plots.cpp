// Drawing of the measurement on the main panel.
#include "gui/plots.h"

#include "analysis/analysis.h"
#include "window/controls.h"
#include "platform/widgets/userint.h"

// Look of the two video plots: one point per sample, no connecting line.
static constexpr int VIDEO_PLOT_STYLE = 5;
static constexpr int VIDEO_POINT_STYLE = 10;
static constexpr int VIDEO_LINE_STYLE = 0;
static constexpr int VIDEO_POINTS = 256;

// Heights on the bar graph, whose y axis shows 0.0 to 1.0.
static constexpr double BAR_CURSOR_Y = 0.75;
static constexpr double BAR_EDGE_LOW = 0.25;
static constexpr double BAR_EDGE_HIGH = 1.0;
static constexpr double BAR_TOL_HIGH = 0.35;

// The strip chart: five traces of 100 points, one point = five values.
static constexpr int CHART_TRACES = 5;
static constexpr int CHART_VALUES = 500;
static constexpr int CHART_NEWEST = CHART_VALUES - CHART_TRACES; // first value of the newest point
static constexpr int CHART_POINTS_SHOWN = 101;     // the 100 points of the history fill the chart
static constexpr int COLOR_TRACE_LIMIT = 0x008000; // traces 1, 2: tolerance limits
static constexpr int COLOR_TRACE_SETPOINT = 0x000000; // trace 3: set-point
static constexpr int COLOR_TRACE_VALUE = 0xFF0000;    // traces 4, 5: measurement

int PlotVIDEOCurve(const u16 *samples, const double *xPositions) {
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideo, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, YAXISMAX);
    DeleteGraphPlot(pHandle, PANEL_GRAPHVideo, -1, 1);
    PlotXY(pHandle, PANEL_GRAPHVideo, xPositions, samples, VIDEO_POINTS, VAL_DOUBLE,
           VAL_UNSIGNED_SHORT_INTEGER, VIDEO_PLOT_STYLE, VIDEO_POINT_STYLE, VIDEO_LINE_STYLE, 1,
           COLOR_VIDEO_SIGNAL);
    PlotXY(pHandle, PANEL_GRAPHVideo, xPositions, thdArray, VIDEO_POINTS, VAL_DOUBLE,
           VAL_UNSIGNED_SHORT_INTEGER, VIDEO_PLOT_STYLE, VIDEO_POINT_STYLE, VIDEO_LINE_STYLE, 1,
           COLOR_VIDEO_THD);
    return 0;
}

u16 MeasuredPosition(const RunReply &r) {
    switch (eMode) {
    case 0: return r.Ledge;
    case 1: return r.Redge;
    default:
        if (r.Ledge == 0 || r.Redge == 0) return 1;
        return static_cast<u16>((static_cast<int>(r.Ledge) + static_cast<int>(r.Redge)) / 2);
    }
}

static void ShowIndicators(const RunReply &r) {
    SetCtrlVal(pHandle, PANEL_NUMLedge, static_cast<int>(r.Ledge));
    SetCtrlVal(pHandle, PANEL_NUMRedge, static_cast<int>(r.Redge));
    SetCtrlVal(pHandle, PANEL_NUMMvalue, static_cast<int>(r.Mvalue));
    SetCtrlVal(pHandle, PANEL_NUMMvalue2, static_cast<int>(r.Mvalue));
    SetCtrlVal(pHandle, PANEL_NUMUmValue, r.umValue);
    SetCtrlVal(pHandle, PANEL_NUMTolerance, static_cast<int>(r.tTol));
    SetCtrlVal(pHandle, PANEL_NEDITSetpoint, static_cast<int>(r.tVal));
    SetCtrlVal(pHandle, PANEL_NUMAnaMax, static_cast<int>(r.anaMax));
    SetCtrlVal(pHandle, PANEL_NUMAnaMin, static_cast<int>(r.anaMin));
    if (powMode != 0) SetCtrlVal(pHandle, PANEL_NUMPower, static_cast<int>(r.dynpower));
}

static void PlotBar(int from, int to, double low, double high, int color) {
    PlotRectangle(pHandle, PANEL_GRAPHBar, from, low, to, high, color, color);
}

int PlotVIDEOBarGraph(const RunReply &r) {
    u16 p = MeasuredPosition(r);
    ShowIndicators(r);

    SetAxisScalingMode(pHandle, PANEL_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 2, eBeg, BAR_CURSOR_Y);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 3, eEnd, BAR_CURSOR_Y);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBar, -1, 0);

    if (p < pixB) p = pixB;
    if (p > pixE) p = pixE;
    if (p < 1) p = 1;
    if (p > ccdsubpixel) p = ccdsubpixel;
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 1, p, BAR_CURSOR_Y);

    // Red: the stretches beside the edges. With one edge, mvstart and mvend
    // tell on which side of it the object lies.
    int left = r.Ledge;
    int right = r.Redge;
    int last = pixE;
    if (r.edcnt == 1) {
        if (r.mvstart < r.mvend)
            PlotBar(left, last, BAR_EDGE_LOW, BAR_EDGE_HIGH, COLOR_BAR_EDGE);
        else
            PlotBar(1, left, BAR_EDGE_LOW, BAR_EDGE_HIGH, COLOR_BAR_EDGE);
    } else {
        PlotBar(1, left, BAR_EDGE_LOW, BAR_EDGE_HIGH, COLOR_BAR_EDGE);
        PlotBar(right, last, BAR_EDGE_LOW, BAR_EDGE_HIGH, COLOR_BAR_EDGE);
    }

    // Green: the tolerance band; in centre mode one band on each side of the
    // centre, half the set-point away. Only the first bar is clamped to the line.
    int top = ccdsubpixel;
    int from, to;
    if (eMode == 2) {
        if (r.edcnt == 0) return 0;
        int centre = p;
        int h = r.tVal / 2;
        int t = r.tTol / 2;
        from = centre - h - t;
        to = centre - h + t;
        if (from < 0) from = 1;
        if (to > top - 1) to = top;
        PlotBar(from, to, 0.0, BAR_TOL_HIGH, COLOR_BAR_TOL);
        PlotBar(centre + h - t, centre + h + t, 0.0, BAR_TOL_HIGH, COLOR_BAR_TOL);
    } else {
        from = static_cast<int>(r.tVal) - static_cast<int>(r.tTol);
        to = static_cast<int>(r.tVal) + static_cast<int>(r.tTol);
        if (from < 0) from = 1;
        if (to > top - 1) to = top;
        PlotBar(from, to, 0.0, BAR_TOL_HIGH, COLOR_BAR_TOL);
    }
    return 0;
}

u16 AnalogTraceValue(const RunReply &r) {
    switch (anaMode) {
    case 0:
    case 1: return r.Mvalue;
    case 2:
    case 4: return r.anaMax;
    case 3:
    case 5:
        // A minimum still at the top of the range is drawn at the bottom.
        if (static_cast<int>(r.anaMin) == static_cast<int>(ccdmaxpixelX8) - 1) return 1;
        return r.anaMin;
    default: return 0;
    }
}

// The top of the full range: the highest position the sensor reports, as on
// the bar graph's axis. Type 1 and 104 heads give ccdmaxpixelX8 eight times
// their positions' range; before an identification (ccdsubpixel 0) it is all
// there is.
static double FullRangeTop(void) {
    return ccdsubpixel > 0 ? ccdsubpixel : ccdmaxpixelX8;
}

void PlotRAWGraphX8(const RunReply &r) {
    u16 v = AnalogTraceValue(r);
    Shift(arrayNORM, CHART_VALUES, -CHART_TRACES, arrayNORM);

    int setpoint = r.tVal;
    int tol = r.tTol;
    int value = r.Mvalue;
    int top_of_range = static_cast<int>(ccdmaxpixelX8) - 1;
    int upper = setpoint + tol;
    int lower = setpoint - tol;

    int bottom, top, margin;
    if (tol < 50) {
        bottom = setpoint - 200;
        top = setpoint + 200;
        margin = 100;
    } else {
        bottom = setpoint - 4 * tol;
        top = setpoint + 4 * tol;
        margin = 200;
    }
    if (value > top) top = value + margin;
    if (value < bottom) bottom = value - margin;

    if (upper > top_of_range) upper = top_of_range;
    if (lower < 1) lower = 1;
    if (top > top_of_range) top = top_of_range;
    if (bottom < 1) bottom = 1;

    arrayNORM[CHART_NEWEST + 0] = upper;
    arrayNORM[CHART_NEWEST + 1] = lower;
    arrayNORM[CHART_NEWEST + 2] = setpoint;
    arrayNORM[CHART_NEWEST + 3] = value;
    arrayNORM[CHART_NEWEST + 4] = v;

    SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_POINTS_PER_SCREEN, CHART_POINTS_SHOWN);
    SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_SCROLL_MODE, 1);

    int zoom = 0;
    GetCtrlVal(pHandle, PANEL_SWITCHZoom, &zoom);
    if (zoom != 0)
        SetAxisScalingMode(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, VAL_MANUAL, bottom, top);
    else
        SetAxisScalingMode(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0,
                           FullRangeTop());

    SetTraceAttribute(pHandle, PANEL_CHARTRaw, 1, ATTR_TRACE_COLOR, COLOR_TRACE_LIMIT);
    SetTraceAttribute(pHandle, PANEL_CHARTRaw, 2, ATTR_TRACE_COLOR, COLOR_TRACE_LIMIT);
    SetTraceAttribute(pHandle, PANEL_CHARTRaw, 3, ATTR_TRACE_COLOR, COLOR_TRACE_SETPOINT);
    SetTraceAttribute(pHandle, PANEL_CHARTRaw, 4, ATTR_TRACE_COLOR, COLOR_TRACE_VALUE);
    SetTraceAttribute(pHandle, PANEL_CHARTRaw, 5, ATTR_TRACE_COLOR, COLOR_TRACE_VALUE);
    SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_NUM_TRACES, CHART_TRACES);

    PlotStripChart(pHandle, PANEL_CHARTRaw, arrayNORM, CHART_VALUES, 0, 0, VAL_DOUBLE);
}

// The same from the measurement variables, for a window drawn without a
// reply at hand.
u16 MeasuredPosition(void) {
    return MeasuredPosition(KeptRunFields());
}

int PlotVIDEOBarGraph(void) {
    return PlotVIDEOBarGraph(KeptRunFields());
}

u16 AnalogTraceValue(void) {
    return AnalogTraceValue(KeptRunFields());
}

void PlotRAWGraphX8(void) {
    PlotRAWGraphX8(KeptRunFields());
}
