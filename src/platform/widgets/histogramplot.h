// Histogram control on QCustomPlot: bars, limit lines, the normal curve and
// the shares out of tolerance (see histogram.h). Made for the class name
// HistogramPlot of the resource file, and by the review window.
#pragma once

#include "platform/widgets/histogram.h"

#include <qcustomplot.h>

class HistogramPlot : public QCustomPlot {
    Q_OBJECT

  public:
    explicit HistogramPlot(QWidget *parent = nullptr);

    void show(const HistogramView &view);

  protected:
    void showEvent(QShowEvent *event) override;
    void updateLayout() override;

  private:
    void fitTexts();

    QCPBars *bars;
    QCPGraph *curve;
    QCPItemStraightLine *limit[3]; // lower, set-point, upper
    QCPItemText *share[2];         // below, above
};
