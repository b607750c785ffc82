#include "platform/widgets/histogramplot.h"

#include "platform/widgets/registry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCurvePoints = 201; // points of the normal curve across the axis
constexpr int kTextGap = 8;       // pixels kept clear between texts

} // namespace

HistogramPlot::HistogramPlot(QWidget *parent) : QCustomPlot(parent) {
    bars = new QCPBars(xAxis, yAxis);
    bars->setWidthType(QCPBars::wtPlotCoords);
    bars->setPen(QPen(QColor(0x40, 0x40, 0x40)));
    bars->setBrush(QColor(0xB0, 0xC4, 0xDE));
    curve = addGraph();
    curve->setPen(QPen(QColor(0x00, 0x00, 0xC0), 1.5));
    const QPen pens[3] = {QPen(Qt::red, 1.5, Qt::DashLine), QPen(QColor(0x00, 0x90, 0x00), 1.5),
                          QPen(Qt::red, 1.5, Qt::DashLine)};
    for (int i = 0; i < 3; ++i) {
        limit[i] = new QCPItemStraightLine(this);
        limit[i]->setPen(pens[i]);
        limit[i]->setVisible(false);
    }
    for (int i = 0; i < 2; ++i) {
        share[i] = new QCPItemText(this);
        share[i]->position->setType(QCPItemPosition::ptAxisRectRatio);
        share[i]->position->setCoords(i == 0 ? 0.01 : 0.99, 0.02);
        share[i]->setPositionAlignment(Qt::AlignTop | (i == 0 ? Qt::AlignLeft : Qt::AlignRight));
        share[i]->setColor(Qt::red);
        // Readable over the bars and the limit lines.
        share[i]->setBrush(QColor(0xFF, 0xFF, 0xFF, 0xE0));
        share[i]->setPadding(QMargins(3, 1, 3, 1));
        share[i]->setLayer(QStringLiteral("legend"));
        share[i]->setVisible(false);
    }
    yAxis->setLabel(QStringLiteral("Count"));
    setNotAntialiasedElements(QCP::aeAll);
}

// The texts are fitted to the layout just made, which is then made again
// with the ticks they leave room for.
void HistogramPlot::updateLayout() {
    QCustomPlot::updateLayout();
    fitTexts();
    QCustomPlot::updateLayout();
}

// Fits the texts to the width the plot has now. The shares stand side by
// side while they fit, else the upper one goes a line down; the x axis
// gets as many ticks as its widest label leaves room for (micrometre labels
// such as 12345.7 ran into each other at the default count).
void HistogramPlot::fitTexts() {
    const int width = axisRect()->width();
    if (width <= 0) return;
    const QFontMetrics shareFont(share[0]->font());
    int needed = kTextGap;
    for (auto *text : share)
        needed += shareFont.horizontalAdvance(text->text()) + kTextGap;
    const double lineDown =
        needed > width ? double(shareFont.height() + kTextGap) / std::max(1, axisRect()->height())
                       : 0.0;
    share[1]->position->setCoords(0.99, 0.02 + lineDown);

    const QFontMetrics tickFont(xAxis->tickLabelFont());
    const QCPRange r = xAxis->range();
    int widest = 1;
    for (double at : {r.lower, r.upper, r.center()})
        widest = std::max(widest, tickFont.horizontalAdvance(QLocale().toString(at, 'f', 1)));
    xAxis->ticker()->setTickCount(std::clamp(width / (widest + 3 * kTextGap), 2, 5));
}

void HistogramPlot::show(const HistogramView &v) {
    QVector<double> keys, counts;
    double top = 1.0;
    for (int i = 0; i < v.bins && v.counts; ++i) {
        keys.append(v.start + (i + 0.5) * v.width);
        counts.append(double(v.counts[i]));
        top = std::max(top, double(v.counts[i]));
    }
    bars->setWidth(v.width);
    bars->setData(keys, counts, true);
    double lo = v.start, hi = v.start + std::max(1, v.bins) * v.width;
    if (v.hasLimits) {
        const double at[3] = {v.lower, v.setPoint, v.upper};
        for (int i = 0; i < 3; ++i) {
            limit[i]->point1->setCoords(at[i], 0.0);
            limit[i]->point2->setCoords(at[i], 1.0);
        }
        // The limits stay in sight unless the data lie far from them.
        const double margin = std::max(v.width, 0.1 * (v.upper - v.lower));
        if (v.bins == 0 || (v.upper - v.lower) < 20 * (hi - lo))
            lo = std::min(lo, v.lower - margin), hi = std::max(hi, v.upper + margin);
    }
    for (auto *line : limit)
        line->setVisible(v.hasLimits != 0);
    QVector<double> cx, cy;
    if (v.hasNormal && v.sd > 0) {
        const double scale = double(v.total) * v.width / (v.sd * std::sqrt(2.0 * M_PI));
        for (int i = 0; i < kCurvePoints; ++i) {
            const double x = lo + (hi - lo) * i / (kCurvePoints - 1), z = (x - v.mean) / v.sd;
            cx.append(x);
            cy.append(scale * std::exp(-0.5 * z * z));
        }
    }
    curve->setData(cx, cy, true);
    const double shares[2] = {v.belowShare, v.aboveShare};
    const char *side[2] = {"below %1 %", "above %1 %"};
    for (int i = 0; i < 2; ++i) {
        share[i]->setText(QString::fromLatin1(side[i]).arg(100.0 * shares[i], 0, 'f', 2));
        share[i]->setVisible(v.hasShares != 0);
    }
    xAxis->setRange(lo, hi);
    yAxis->setRange(0.0, top * 1.15);
    xAxis->setLabel(QString::fromLatin1(v.unit ? v.unit : ""));
    replot(QCustomPlot::rpQueuedReplot);
}

// A replot asked for while hidden is lost: draw afresh when shown.
void HistogramPlot::showEvent(QShowEvent *event) {
    QCustomPlot::showEvent(event);
    replot(QCustomPlot::rpQueuedReplot);
}

int PlotHistogram(int panel, int control, const HistogramView *view) {
    Panel *p;
    QWidget *w;
    auto *plot = Find(panel, control, &p, &w) ? qobject_cast<HistogramPlot *>(w) : nullptr;
    if (!plot || !view) return -1;
    plot->show(*view);
    return 0;
}
