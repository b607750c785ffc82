#include "platform/widgets/graphplot.h"

#include <algorithm>

namespace {

// Cursor 1 (the measured position) solid blue, cursors 2 and 3 (the borders
// of the evaluation window) dashed black.
const QColor kCursorColor[GraphPlot::kCursors] = {QColor(0x00, 0x00, 0xFF), Qt::black, Qt::black};
const Qt::PenStyle kCursorStyle[GraphPlot::kCursors] = {Qt::SolidLine, Qt::DashLine, Qt::DashLine};
const char kCursorLayer[] = "cursors";

} // namespace

GraphPlot::GraphPlot(QWidget *parent) : QCustomPlot(parent) {
    addLayer(kCursorLayer, layer("main"), QCustomPlot::limAbove);
    for (int i = 0; i < kCursors; ++i) {
        auto *line = new QCPItemStraightLine(this);
        line->setLayer(kCursorLayer);
        line->setPen(QPen(kCursorColor[i], 2, kCursorStyle[i]));
        line->setVisible(false);
        auto *mark = new QCPItemTracer(this);
        mark->setLayer(kCursorLayer);
        mark->setStyle(QCPItemTracer::tsCircle);
        mark->setSize(7);
        mark->setPen(QPen(kCursorColor[i], 2));
        mark->setBrush(Qt::white);
        mark->setVisible(false);
        cursorLine[i] = line;
        cursorMark[i] = mark;
    }
    setNoAntialiasingOnDrag(true);
    // Antialiasing doubles the cost of a replot; the run loop redraws per reply.
    setNotAntialiasedElements(QCP::aeAll);
    setPlottingHint(QCP::phFastPolylines, true);
}

void GraphPlot::applyFileSettings() {
    const QVariant xMin = property("xMin"), xMax = property("xMax");
    const QVariant yMin = property("yMin"), yMax = property("yMax");
    if (xMin.isValid() && xMax.isValid()) xAxis->setRange(xMin.toDouble(), xMax.toDouble());
    if (yMin.isValid() && yMax.isValid()) yAxis->setRange(yMin.toDouble(), yMax.toDouble());
    if (property("yTickCount").isValid())
        yAxis->ticker()->setTickCount(property("yTickCount").toInt());
    xAxis->setLabel(property("xLabel").toString());
    yAxis->setLabel(property("yLabel").toString());
}

int GraphPlot::addPlot(const QVector<double> &x, const QVector<double> &y, QColor color) {
    QCPGraph *g;
    if (!freeGraphs.empty()) {
        g = freeGraphs.back();
        freeGraphs.pop_back();
        g->setVisible(true);
    } else {
        g = addGraph();
        g->setLineStyle(QCPGraph::lsLine);
        g->setAdaptiveSampling(true);
    }
    // Later plots are drawn over earlier ones.
    g->setLayer(layer("main"));
    g->setPen(QPen(color, 1.5));
    g->setData(x, y, std::is_sorted(x.cbegin(), x.cend()));
    const int handle = nextHandle++;
    elements.push_back({handle, g, nullptr});
    rescaleAuto();
    scheduleReplot();
    return handle;
}

int GraphPlot::addRect(double x1, double y1, double x2, double y2, QColor frame, QColor fill) {
    QCPItemRect *r;
    if (!freeRects.empty()) {
        r = freeRects.back();
        freeRects.pop_back();
        r->setVisible(true);
    } else {
        r = new QCPItemRect(this);
        r->setClipToAxisRect(true);
    }
    r->setLayer(layer("main"));
    r->topLeft->setCoords(qMin(x1, x2), qMax(y1, y2));
    r->bottomRight->setCoords(qMax(x1, x2), qMin(y1, y2));
    r->setPen(QPen(frame));
    r->setBrush(QBrush(fill));
    const int handle = nextHandle++;
    elements.push_back({handle, nullptr, r});
    scheduleReplot();
    return handle;
}

bool GraphPlot::deletePlot(int handle) {
    bool found = false;
    for (auto it = elements.begin(); it != elements.end();) {
        if (handle != -1 && it->handle != handle) {
            ++it;
            continue;
        }
        if (it->graph) {
            it->graph->data()->clear();
            it->graph->setVisible(false);
            freeGraphs.push_back(it->graph);
        } else {
            it->rect->setVisible(false);
            freeRects.push_back(it->rect);
        }
        it = elements.erase(it);
        found = true;
    }
    if (found) scheduleReplot();
    return found || handle == -1;
}

bool GraphPlot::setCursor(int cursor, double x, double y) {
    if (cursor < 1 || cursor > kCursors) return false;
    const int i = cursor - 1;
    cursorLine[i]->point1->setCoords(x, 0.0);
    cursorLine[i]->point2->setCoords(x, 1.0);
    cursorLine[i]->setVisible(true);
    cursorMark[i]->position->setCoords(x, y);
    cursorMark[i]->setVisible(true);
    cursorY[i] = y;
    scheduleReplot();
    return true;
}

bool GraphPlot::cursorPosition(int cursor, double *x, double *y) const {
    if (cursor < 1 || cursor > kCursors) return false;
    const int i = cursor - 1;
    if (x) *x = cursorLine[i]->point1->coords().x();
    if (y) *y = cursorY[i];
    return true;
}

bool GraphPlot::setAxisRange(int axis, bool autoScale, double min, double max) {
    QCPAxis *a = axis == 0 ? xAxis : axis == 1 ? yAxis : nullptr;
    if (!a) return false;
    (axis == 0 ? autoX : autoY) = autoScale;
    if (autoScale) {
        rescaleAuto();
    } else {
        if (!QCPRange::validRange(min, max) || !(min < max)) return false;
        a->setRange(min, max);
    }
    scheduleReplot();
    return true;
}

bool GraphPlot::axisRange(int axis, double *min, double *max) const {
    const QCPAxis *a = axis == 0 ? xAxis : axis == 1 ? yAxis : nullptr;
    if (!a) return false;
    *min = a->range().lower;
    *max = a->range().upper;
    return true;
}

int GraphPlot::plotCount() const {
    int n = 0;
    for (const Element &e : elements)
        n += e.graph != nullptr;
    return n;
}

bool GraphPlot::plotPoints(int index, QVector<double> *x, QVector<double> *y, QColor *color) const {
    int n = 0;
    for (const Element &e : elements) {
        if (!e.graph || n++ != index) continue;
        x->clear();
        y->clear();
        for (auto it = e.graph->data()->constBegin(); it != e.graph->data()->constEnd(); ++it) {
            x->append(it->key);
            y->append(it->value);
        }
        *color = e.graph->pen().color();
        return true;
    }
    return false;
}

int GraphPlot::rectCount() const {
    int n = 0;
    for (const Element &e : elements)
        n += e.rect != nullptr;
    return n;
}

bool GraphPlot::rect(int index, QRectF *area, QColor *frame, QColor *fill) const {
    int n = 0;
    for (const Element &e : elements) {
        if (!e.rect || n++ != index) continue;
        const QPointF tl = e.rect->topLeft->coords(), br = e.rect->bottomRight->coords();
        *area = QRectF(QPointF(tl.x(), br.y()), QPointF(br.x(), tl.y()));
        *frame = e.rect->pen().color();
        *fill = e.rect->brush().color();
        return true;
    }
    return false;
}

void GraphPlot::scheduleReplot() {
    if (!isVisible()) {
        replotPending = true;
        return;
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void GraphPlot::showEvent(QShowEvent *event) {
    QCustomPlot::showEvent(event);
    if (replotPending) {
        replotPending = false;
        replot(QCustomPlot::rpQueuedReplot);
    }
}

void GraphPlot::rescaleAuto() {
    if (autoX) xAxis->rescale(true);
    if (autoY) yAxis->rescale(true);
}
