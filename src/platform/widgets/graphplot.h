// Graph control: plots (curves of points), filled rectangles and three
// vertical cursors on a QCustomPlot.
//
// Plots and rectangles are addressed by handles (> 0) in the order drawn; the
// cursors are separate and survive deleting the plots. Every change asks for
// one queued repaint, so the several calls of one measurement repaint once;
// a hidden graph repaints when it is shown again. Removed plots and
// rectangles are kept for reuse, since the measurement display redraws the
// same few elements for every reply.
//
// The resource file sets the start ranges with the dynamic properties xMin,
// xMax, yMin, yMax, the axis titles with xLabel and yLabel, and the number of
// y ticks with yTickCount.
#pragma once

#include <qcustomplot.h>

#include <vector>

class GraphPlot : public QCustomPlot {
    Q_OBJECT

  public:
    static constexpr int kCursors = 3;

    explicit GraphPlot(QWidget *parent = nullptr);

    // Reads the dynamic properties of the resource file.
    void applyFileSettings();

    int addPlot(const QVector<double> &x, const QVector<double> &y, QColor color);
    int addRect(double x1, double y1, double x2, double y2, QColor frame, QColor fill);
    // handle -1 removes every plot and rectangle. false if the handle is unknown.
    bool deletePlot(int handle);

    bool setCursor(int cursor, double x, double y);
    bool cursorPosition(int cursor, double *x, double *y) const;

    // axis 0 = x, 1 = y. autoScale fits the axis to the plots from now on.
    bool setAxisRange(int axis, bool autoScale, double min, double max);
    bool axisRange(int axis, double *min, double *max) const;

    int plotCount() const;
    bool plotPoints(int index, QVector<double> *x, QVector<double> *y, QColor *color) const;
    int rectCount() const;
    bool rect(int index, QRectF *area, QColor *frame, QColor *fill) const;

    void scheduleReplot();

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    struct Element {
        int handle;
        QCPGraph *graph;   // a plot, or
        QCPItemRect *rect; // a rectangle
    };

    void rescaleAuto();

    std::vector<Element> elements;      // shown, in the order drawn
    std::vector<QCPGraph *> freeGraphs; // removed, hidden, ready for reuse
    std::vector<QCPItemRect *> freeRects;
    QCPItemStraightLine *cursorLine[kCursors] = {};
    QCPItemTracer *cursorMark[kCursors] = {};
    double cursorY[kCursors] = {};
    bool autoX = false;
    bool autoY = false;
    bool replotPending = false; // changed while hidden
    int nextHandle = 1;
};
