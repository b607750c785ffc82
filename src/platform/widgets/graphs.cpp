// Graphs and strip charts of userint.h.
#include "platform/widgets/graphplot.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/stripchart.h"
#include "platform/widgets/userint.h"

#include <vector>

namespace {

GraphPlot *FindGraph(int panel, int graph) {
    Panel *p;
    QWidget *w;
    return Find(panel, graph, &p, &w) ? qobject_cast<GraphPlot *>(w) : nullptr;
}

StripChart *FindChart(int panel, int chart) {
    Panel *p;
    QWidget *w;
    return Find(panel, chart, &p, &w) ? qobject_cast<StripChart *>(w) : nullptr;
}

QVector<double> ToDoubles(const void *data, int type, int count) {
    QVector<double> out(count);
    for (int i = 0; i < count; ++i)
        out[i] = ElementAt(data, type, i);
    return out;
}

} // namespace

// ---- graphs and strip charts ----

int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType, int yType,
           int /*plotStyle*/, int /*pointStyle*/, int /*lineStyle*/, int /*pointFrequency*/,
           int color) {
    GraphPlot *g = FindGraph(panel, graph);
    if (!g || !x || !y || count < 1 || !ElementSize(xType) || !ElementSize(yType)) return -1;
    return g->addPlot(ToDoubles(x, xType, count), ToDoubles(y, yType, count), Rgb(color));
}

int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2, int frameColor,
                  int fillColor) {
    GraphPlot *g = FindGraph(panel, graph);
    if (!g) return -1;
    return g->addRect(x1, y1, x2, y2, Rgb(frameColor), Rgb(fillColor));
}

int DeleteGraphPlot(int panel, int graph, int plotHandle, int /*refresh*/) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->deletePlot(plotHandle) ? 0 : -1;
}

int SetGraphCursor(int panel, int graph, int cursor, double x, double y) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->setCursor(cursor, x, y) ? 0 : -1;
}

int GetGraphCursor(int panel, int graph, int cursor, double *x, double *y) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->cursorPosition(cursor, x, y) ? 0 : -1;
}

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max) {
    if (mode != VAL_MANUAL && mode != VAL_AUTOSCALE) return -1;
    if (GraphPlot *g = FindGraph(panel, graph))
        return g->setAxisRange(axis, mode == VAL_AUTOSCALE, min, max) ? 0 : -1;
    StripChart *c = FindChart(panel, graph);
    // The strip chart's x axis is its points per screen.
    if (!c || axis != VAL_LEFT_YAXIS) return -1;
    if (mode == VAL_AUTOSCALE) {
        c->yAxis->rescale(true);
    } else {
        if (!(min < max)) return -1;
        c->yAxis->setRange(min, max);
    }
    c->scheduleReplot();
    return 0;
}

int PlotStripChart(int panel, int chart, const void *values, int count, int start, int skip,
                   int dataType) {
    StripChart *c = FindChart(panel, chart);
    if (!c || !values || count < 1 || start < 0 || skip < 0 || !ElementSize(dataType)) return -1;
    std::vector<double> taken;
    taken.reserve(size_t(count));
    for (int i = start; i < count; i += 1 + skip)
        taken.push_back(ElementAt(values, dataType, i));
    c->append(taken);
    return 0;
}

int SetTraceAttribute(int panel, int chart, int trace, int attribute, int value) {
    StripChart *c = FindChart(panel, chart);
    if (!c || attribute != ATTR_TRACE_COLOR) return -1;
    return c->setTraceColor(trace, Rgb(value)) ? 0 : -1;
}
