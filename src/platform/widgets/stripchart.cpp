#include "platform/widgets/stripchart.h"

StripChart::StripChart(QWidget *parent) : QCustomPlot(parent) {
    setTraceCount(1);
    setPointsPerScreen(points);
    xAxis->setTickLabels(false);
    // Antialiasing doubles the cost of a replot; the run loop redraws per reply.
    setNotAntialiasedElements(QCP::aeAll);
    setPlottingHint(QCP::phFastPolylines, true);
}

void StripChart::applyFileSettings() {
    if (property("traces").isValid()) setTraceCount(property("traces").toInt());
    if (property("pointsPerScreen").isValid())
        setPointsPerScreen(property("pointsPerScreen").toInt());
    const QVariant yMin = property("yMin"), yMax = property("yMax");
    if (yMin.isValid() && yMax.isValid()) yAxis->setRange(yMin.toDouble(), yMax.toDouble());
    yAxis->setLabel(property("yLabel").toString());
}

bool StripChart::setTraceCount(int count) {
    if (count < 1 || count > kMaxTraces) return false;
    while (int(traces.size()) > count) {
        removeGraph(traces.back().graph);
        traces.pop_back();
    }
    while (int(traces.size()) < count) {
        QCPGraph *g = addGraph();
        g->setPen(QPen(Qt::black, 1.5));
        g->setAdaptiveSampling(true);
        traces.push_back({g, {}});
    }
    if (nextTrace >= count) nextTrace = 0;
    scheduleReplot();
    return true;
}

bool StripChart::setPointsPerScreen(int count) {
    if (count < 2 || count > kMaxPointsPerScreen) return false;
    points = count;
    xAxis->setRange(0, points - 1);
    for (Trace &t : traces) {
        if (t.history.size() > points) t.history.remove(0, t.history.size() - points);
        refresh(t);
    }
    scheduleReplot();
    return true;
}

bool StripChart::setTraceColor(int trace, QColor color) {
    if (trace < 1 || trace > int(traces.size())) return false;
    QPen pen = traces[trace - 1].graph->pen();
    if (pen.color() != color) {
        pen.setColor(color);
        traces[trace - 1].graph->setPen(pen);
        scheduleReplot();
    }
    return true;
}

void StripChart::append(const std::vector<double> &values) {
    const int count = int(traces.size());
    if (scroll == kReplace) {
        for (Trace &t : traces)
            t.history.clear();
        nextTrace = 0;
    }
    for (double v : values) {
        traces[nextTrace].history.append(v);
        nextTrace = (nextTrace + 1) % count;
    }
    for (Trace &t : traces) {
        if (t.history.size() > points) t.history.remove(0, t.history.size() - points);
        refresh(t);
    }
    scheduleReplot();
}

bool StripChart::tracePoints(int trace, QVector<double> *values, QColor *color) const {
    if (trace < 1 || trace > int(traces.size())) return false;
    *values = traces[trace - 1].history;
    *color = traces[trace - 1].graph->pen().color();
    return true;
}

void StripChart::refresh(Trace &t) {
    // The newest point sits at x = points - 1, the right edge.
    const qsizetype n = t.history.size();
    QVector<double> keys(n);
    for (qsizetype i = 0; i < n; ++i)
        keys[i] = double(points - n + i);
    t.graph->setData(keys, t.history, true);
}

void StripChart::scheduleReplot() {
    if (!isVisible()) {
        replotPending = true;
        return;
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::showEvent(QShowEvent *event) {
    QCustomPlot::showEvent(event);
    if (replotPending) {
        replotPending = false;
        replot(QCustomPlot::rpQueuedReplot);
    }
}
