// Strip chart: a number of traces that scroll from right to left. Each value
// handed in goes to the next trace in turn, so a call with five traces and
// 500 values adds 100 points to every trace. The chart shows the last
// `pointsPerScreen` points of each trace across its whole width, the newest
// at the right edge; older points fall off the left. In scroll mode
// kReplace a call's points replace those shown, for a caller that hands in
// its whole history every time.
//
// The resource file sets the start values with the dynamic properties
// traces, pointsPerScreen, yMin, yMax and yLabel.
#pragma once

#include <qcustomplot.h>

#include <vector>

class StripChart : public QCustomPlot {
    Q_OBJECT

  public:
    static constexpr int kContinuous = 0; // scroll modes
    static constexpr int kReplace = 1;
    static constexpr int kMaxTraces = 16;
    static constexpr int kMaxPointsPerScreen = 10000;

    explicit StripChart(QWidget *parent = nullptr);

    void applyFileSettings();

    bool setTraceCount(int count);
    int traceCount() const { return int(traces.size()); }
    bool setPointsPerScreen(int points);
    int pointsPerScreen() const { return points; }
    void setScrollMode(int mode) { scroll = mode; }
    int scrollMode() const { return scroll; }
    bool setTraceColor(int trace, QColor color);

    void append(const std::vector<double> &values);
    // Points of a trace (from 1), oldest first.
    bool tracePoints(int trace, QVector<double> *values, QColor *color) const;

    void scheduleReplot();

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    struct Trace {
        QCPGraph *graph;
        QVector<double> history; // at most `points` values, oldest first
    };

    void refresh(Trace &t);

    std::vector<Trace> traces;
    int points = 101; // points across the chart
    int scroll = kContinuous;
    int nextTrace = 0; // trace that takes the next value
    bool replotPending = false;
};
