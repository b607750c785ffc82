#include "platform/widgets/reviewwindow.h"

#include "platform/widgets/histogramplot.h"
#include "platform/widgets/screenfit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <map>

namespace {

constexpr int kCurves = 4;
constexpr int kTexts = REVIEW_TEXT_READING + 1;
constexpr int kSettleMs = 150;     // the span must stay put this long before the figures follow
constexpr double kMinSpan = 0.05;  // s: the narrowest span a zoom goes to
constexpr double kAroundSpan = 60; // s: the span a line of the list shows instead of the file
constexpr double kBandReach = 100; // a limit this near the values joins the y range
const QColor kCurveColor[kCurves] = {QColor(0x00, 0x00, 0x00), QColor(0x00, 0x60, 0xC0),
                                     QColor(0xC0, 0x60, 0x00), QColor(0xE0, 0x00, 0x00)};
const char *const kCurveName[kCurves] = {"Measured value", "Left edge", "Right edge",
                                         "Out of tolerance"};
const QColor kBandColor(0x00, 0x90, 0x00);
// What each line of text is, for screen readers.
const char *const kTextName[kTexts] = {"File",
                                       "Statistics of the measured value",
                                       "Statistics of the measured value in micrometres",
                                       "Out of tolerance and process capability",
                                       "Span in view",
                                       "Reading"};

// The trend: dragged and zoomed along x by mouse, moved and zoomed by keys.
class TrendPlot : public QCustomPlot {
  public:
    explicit TrendPlot(QWidget *parent) : QCustomPlot(parent) {}
    std::function<void(double from, double to)> request; // a key asks for a span

  protected:
    void keyPressEvent(QKeyEvent *e) override {
        const QCPRange r = xAxis->range();
        const double size = r.size(), mid = r.center();
        switch (e->key()) {
        case Qt::Key_Left: request(r.lower - size / 10, r.upper - size / 10); break;
        case Qt::Key_Right: request(r.lower + size / 10, r.upper + size / 10); break;
        case Qt::Key_PageUp: request(r.lower - size, r.upper - size); break;
        case Qt::Key_PageDown: request(r.lower + size, r.upper + size); break;
        case Qt::Key_Plus:
        case Qt::Key_Equal: request(mid - size / 4, mid + size / 4); break;
        case Qt::Key_Minus: request(mid - size, mid + size); break;
        case Qt::Key_Home: request(-INFINITY, INFINITY); break;
        default: QCustomPlot::keyPressEvent(e); return;
        }
        e->accept();
    }
};

class ReviewWindow : public QWidget {
  public:
    ReviewWindow(int id, double first, double last, ReviewSpanCallback onSpan,
                 ReviewSpanCallback onSettled, ReviewCloseCallback onClose,
                 ReviewCursorCallback onCursor);
    void setSpan(double from, double to);
    void setCurve(int curve, const double *x, const double *y, int count);
    void setMarks(const double *x, int count);
    void setText(int field, const QString &text);
    void showAround(double at);
    void fitY();

    int id;
    double first, last;
    ReviewSpanCallback onSpan, onSettled;
    ReviewCloseCallback onClose;
    ReviewCursorCallback onCursor;
    TrendPlot *trend;
    HistogramPlot *histogram;
    QLabel *text[kTexts];
    QListWidget *list;
    QVector<double> listAt; // seconds of each line of the list, NaN for none
    QCPGraph *curves[kCurves];
    QCPGraph *marks;
    QCPGraph *band[2]; // lower and upper limit
    QVector<double> markAt;
    QTimer settle;
    bool inSpan = false;

  protected:
    void closeEvent(QCloseEvent *e) override;
};

std::map<int, QPointer<ReviewWindow>> windows;
int nextId = 1;

ReviewWindow *FindWindow(int id) {
    auto it = windows.find(id);
    return it == windows.end() ? nullptr : it->second.data();
}

QLabel *TextLine(QWidget *parent, int field) {
    auto *l = new QLabel(parent);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setFocusPolicy(Qt::TabFocus);
    l->setWordWrap(true); // a long line of figures would widen a window on a small screen
    l->setAccessibleName(QString::fromLatin1(kTextName[field]));
    return l;
}

ReviewWindow::ReviewWindow(int id_, double first_, double last_, ReviewSpanCallback onSpan_,
                           ReviewSpanCallback onSettled_, ReviewCloseCallback onClose_,
                           ReviewCursorCallback onCursor_)
    : id(id_), first(first_), last(last_ > first_ ? last_ : first_ + 1.0), onSpan(onSpan_),
      onSettled(onSettled_), onClose(onClose_), onCursor(onCursor_) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Recording review"));
    auto *top = new QVBoxLayout(this);
    for (int field = 0; field < kTexts; ++field)
        text[field] = TextLine(this, field);
    top->addWidget(text[REVIEW_TEXT_FILE]);

    trend = new TrendPlot(this);
    trend->setAccessibleName(QStringLiteral("Trend"));
    trend->setAccessibleDescription(QStringLiteral(
        "Left and Right move, Page Up and Page Down move a whole span, plus and minus zoom, "
        "Home shows the whole file"));
    trend->setFocusPolicy(Qt::StrongFocus);
    trend->setMinimumSize(400, 240); // the legend's row above the curves included
    trend->setNotAntialiasedElements(QCP::aeAll);
    trend->setPlottingHint(QCP::phFastPolylines, true);
    trend->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    trend->axisRect()->setRangeDrag(Qt::Horizontal);
    trend->axisRect()->setRangeZoom(Qt::Horizontal);
    auto ticker = QSharedPointer<QCPAxisTickerTime>::create();
    ticker->setTimeFormat(QStringLiteral("%h:%m:%s"));
    trend->xAxis->setTicker(ticker);
    trend->xAxis->setLabel(QStringLiteral("Time since the first row"));
    trend->yAxis->setLabel(QStringLiteral("Sub-pixels"));
    // The band under everything else: the limits as steps, filled between.
    for (int i = 0; i < 2; ++i) {
        band[i] = trend->addGraph();
        band[i]->setPen(QPen(kBandColor, 1.0));
        band[i]->setLineStyle(QCPGraph::lsStepLeft);
    }
    band[1]->setChannelFillGraph(band[0]);
    band[1]->setBrush(QColor(kBandColor.red(), kBandColor.green(), kBandColor.blue(), 0x28));
    band[1]->setName(QStringLiteral("Set-point \u00B1 tolerance"));
    band[0]->removeFromLegend();
    marks = trend->addGraph();
    marks->setPen(QPen(QColor(0xE0, 0x00, 0x00), 1.0, Qt::DashLine));
    marks->setName(QStringLiteral("Gap"));
    for (int i = 0; i < kCurves; ++i) {
        curves[i] = trend->addGraph();
        curves[i]->setPen(QPen(kCurveColor[i], 1.0));
        curves[i]->setName(QString::fromLatin1(kCurveName[i]));
        curves[i]->setAdaptiveSampling(false); // the data come reduced to the pixels already
    }
    // Values out of tolerance: the measured value's curve drawn over in red,
    // a dot on each point so that a single row shows too.
    curves[REVIEW_CURVE_OUT]->setPen(QPen(kCurveColor[REVIEW_CURVE_OUT], 2.0));
    curves[REVIEW_CURVE_OUT]->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    // The measured value is one of the edges in modes 0 and 1: drawn last,
    // on a layer of its own, it stays in sight over the edge it follows.
    trend->addLayer(QStringLiteral("measured"), trend->layer(QStringLiteral("main")),
                    QCustomPlot::limAbove);
    curves[0]->setLayer(QStringLiteral("measured"));
    curves[REVIEW_CURVE_OUT]->setLayer(QStringLiteral("measured"));
    // The legend in a row of its own above the curves, three entries to a
    // line: inside the plot it hid a third of the span on a small screen.
    trend->legend->setVisible(true);
    trend->legend->setFont(font());
    trend->legend->setWrap(3);
    trend->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst); // after the wrap: rearranges
    trend->axisRect()->insetLayout()->take(trend->legend);
    trend->plotLayout()->insertRow(0);
    trend->plotLayout()->addElement(0, 0, trend->legend);
    trend->plotLayout()->setRowStretchFactor(0, 0.001);
    top->addWidget(trend, 3);

    top->addWidget(text[REVIEW_TEXT_SPAN]);
    text[REVIEW_TEXT_READING]->setAccessibleDescription(
        QStringLiteral("The time and value under the mouse on the trend, or at the middle of "
                       "the span after a key"));
    setText(REVIEW_TEXT_READING,
            QStringLiteral("Move the mouse over the trend, or press a key on it"));
    top->addWidget(text[REVIEW_TEXT_READING]);

    auto *bottom = new QHBoxLayout;
    histogram = new HistogramPlot(this);
    histogram->setAccessibleName(QStringLiteral("Histogram"));
    histogram->setFocusPolicy(Qt::TabFocus);
    histogram->setMinimumSize(300, 180);
    bottom->addWidget(histogram, 1);
    auto *figures = new QVBoxLayout;
    const char *captions[3] = {"Measured value", "Measured value [\xB5m]", "Out of tolerance"};
    for (int i = 0; i < 3; ++i) {
        auto *caption = new QLabel(QString::fromLatin1(captions[i]), this);
        QLabel *value = text[REVIEW_TEXT_VALUE + i];
        caption->setBuddy(value);
        figures->addWidget(caption);
        figures->addWidget(value);
    }
    auto *listCaption = new QLabel(QStringLiteral("&Gaps and damaged rows"), this);
    list = new QListWidget(this);
    list->setAccessibleName(QStringLiteral("Gaps and damaged rows"));
    listCaption->setBuddy(list);
    figures->addWidget(listCaption);
    figures->addWidget(list, 1);
    bottom->addLayout(figures, 1);
    top->addLayout(bottom, 2);

    QObject::connect(list, &QListWidget::itemActivated, this,
                     [this](QListWidgetItem *item) { showAround(listAt.value(list->row(item))); });
    QObject::connect(list, &QListWidget::itemClicked, this,
                     [this](QListWidgetItem *item) { showAround(listAt.value(list->row(item))); });

    trend->request = [this](double from, double to) {
        if (std::isinf(from)) from = first, to = last;
        setSpan(from, to);
        if (onCursor) onCursor(id, trend->xAxis->range().center());
    };
    trend->setMouseTracking(true);
    QObject::connect(trend, &QCustomPlot::mouseMove, this, [this](QMouseEvent *e) {
        if (onCursor && trend->axisRect()->rect().contains(e->position().toPoint()))
            onCursor(id, trend->xAxis->pixelToCoord(e->position().x()));
    });
    for (auto *close : {new QShortcut(QKeySequence(Qt::Key_Escape), this),
                        new QShortcut(QKeySequence::Close, this)})
        QObject::connect(close, &QShortcut::activated, this, &QWidget::close);
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    QObject::connect(&settle, &QTimer::timeout, this, [this] {
        const QCPRange r = trend->xAxis->range();
        onSettled(id, r.lower, r.upper, std::max(1, trend->width()));
    });
    // Every change of the span, by mouse or key, ends here.
    QObject::connect(trend->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
                     [this](const QCPRange &r) {
                         if (!inSpan) setSpan(r.lower, r.upper);
                     });
    trend->xAxis->setRange(first, last);
    resize(FitPanelToScreen(this, QSize(1000, 700)));
    // Top to bottom, the histogram before the figures beside it. The area
    // that scrolls on a small screen is no stop of its own: it follows the
    // focus.
    if (auto *scroll = findChild<QScrollArea *>()) scroll->setFocusPolicy(Qt::NoFocus);
    QWidget *order[] = {text[REVIEW_TEXT_FILE],
                        trend,
                        text[REVIEW_TEXT_SPAN],
                        text[REVIEW_TEXT_READING],
                        histogram,
                        text[REVIEW_TEXT_VALUE],
                        text[REVIEW_TEXT_UM],
                        text[REVIEW_TEXT_TOLERANCE],
                        list};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// The name says what the line is and what it says now: a label with a name
// of its own is read by that name alone.
void ReviewWindow::setText(int field, const QString &t) {
    text[field]->setText(t);
    text[field]->setAccessibleName(
        QStringLiteral("%1: %2").arg(QLatin1String(kTextName[field]), t));
}

void ReviewWindow::showAround(double at) {
    if (std::isnan(at)) return;
    const QCPRange r = trend->xAxis->range();
    const double size = r.size() < (last - first) * 0.999 ? r.size() : kAroundSpan;
    setSpan(at - size / 2, at + size / 2);
}

void ReviewWindow::setSpan(double from, double to) {
    double size = std::max(kMinSpan, std::min(to - from, last - first));
    if (from < first) from = first;
    if (from + size > last) from = last - size;
    to = from + size;
    inSpan = true;
    trend->xAxis->setRange(from, to);
    inSpan = false;
    onSpan(id, from, to, std::max(1, trend->width()));
    setMarks(nullptr, -1);
    trend->replot(QCustomPlot::rpQueuedReplot);
    settle.start();
}

void ReviewWindow::setCurve(int curve, const double *x, const double *y, int count) {
    QVector<double> kx(x, x + count), vy(y, y + count);
    curves[curve]->setData(kx, vy, true);
    fitY();
    trend->replot(QCustomPlot::rpQueuedReplot);
}

void ReviewWindow::fitY() {
    bool found = false;
    QCPRange all;
    for (QCPGraph *g : curves) {
        bool ok = false;
        const QCPRange r = g->getValueRange(ok);
        if (!ok) continue;
        all = found ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
        found = true;
    }
    if (!found) return;
    // A limit near the values joins the range; one far off (no set-point
    // taught yet) would squash the curves into a line.
    const double reach = std::max(kBandReach, all.size());
    bool ok[2] = {false, false};
    const double lower = band[0]->getValueRange(ok[0]).lower;
    const double upper = band[1]->getValueRange(ok[1]).upper;
    if (ok[0] && lower < all.lower && lower >= all.lower - reach) all.lower = lower;
    if (ok[1] && upper > all.upper && upper <= all.upper + reach) all.upper = upper;
    const double margin = std::max(1.0, 0.05 * all.size());
    trend->yAxis->setRange(all.lower - margin, all.upper + margin);
}

// count -1 keeps the marks and draws them afresh across the y range.
void ReviewWindow::setMarks(const double *x, int count) {
    if (count >= 0) markAt = QVector<double>(x, x + count);
    const QCPRange y = trend->yAxis->range(), span = trend->xAxis->range();
    QVector<double> kx, vy;
    for (double at : markAt) {
        if (at < span.lower || at > span.upper) continue;
        kx << at << at << at;
        vy << y.lower << y.upper << qQNaN();
    }
    marks->setData(kx, vy, true);
}

void ReviewWindow::closeEvent(QCloseEvent *e) {
    settle.stop();
    windows.erase(id);
    if (onClose) onClose(id);
    e->accept();
}

} // namespace

int OpenReviewWindow(double first, double last, ReviewSpanCallback onSpan,
                     ReviewSpanCallback onSettled, ReviewCloseCallback onClose,
                     ReviewCursorCallback onCursor) {
    if (!onSpan || !onSettled) return -1;
    const int id = nextId++;
    auto *w = new ReviewWindow(id, first, last, onSpan, onSettled, onClose, onCursor);
    windows[id] = w;
    w->show();
    w->setSpan(w->first, w->last);
    w->text[REVIEW_TEXT_FILE]->setFocus();
    return id;
}

int SetReviewTrend(int window, int curve, const double *x, const double *y, int count) {
    ReviewWindow *w = FindWindow(window);
    if (!w || curve < 0 || curve >= kCurves || count < 0) return -1;
    w->setCurve(curve, x, y, count);
    w->setMarks(nullptr, -1);
    return 0;
}

int SetReviewBand(int window, const double *x, const double *lower, const double *upper,
                  int count) {
    ReviewWindow *w = FindWindow(window);
    if (!w || count < 0) return -1;
    const QVector<double> keys(x, x + count);
    w->band[0]->setData(keys, QVector<double>(lower, lower + count), true);
    w->band[1]->setData(keys, QVector<double>(upper, upper + count), true);
    w->fitY();
    w->setMarks(nullptr, -1);
    w->trend->replot(QCustomPlot::rpQueuedReplot);
    return 0;
}

int SetReviewMarks(int window, const double *x, int count) {
    ReviewWindow *w = FindWindow(window);
    if (!w || count < 0) return -1;
    w->setMarks(x, count);
    w->trend->replot(QCustomPlot::rpQueuedReplot);
    return 0;
}

int SetReviewHistogram(int window, const HistogramView *view) {
    ReviewWindow *w = FindWindow(window);
    if (!w || !view) return -1;
    w->histogram->show(*view);
    return 0;
}

int SetReviewText(int window, int field, const char *text) {
    ReviewWindow *w = FindWindow(window);
    if (!w || field < 0 || field >= kTexts || !text) return -1;
    w->setText(field, QString::fromLatin1(text));
    return 0;
}

int SetReviewList(int window, const char *const *lines, const double *at, int count) {
    ReviewWindow *w = FindWindow(window);
    if (!w || count < 0) return -1;
    w->list->clear();
    w->listAt.clear();
    for (int i = 0; i < count; ++i) {
        w->list->addItem(QString::fromLatin1(lines[i]));
        w->listAt << (at ? at[i] : qQNaN());
    }
    return 0;
}

int GetReviewSpan(int window, double *from, double *to) {
    ReviewWindow *w = FindWindow(window);
    if (!w) return -1;
    *from = w->trend->xAxis->range().lower;
    *to = w->trend->xAxis->range().upper;
    return 0;
}

int SetReviewSpan(int window, double from, double to) {
    ReviewWindow *w = FindWindow(window);
    if (!w) return -1;
    w->setSpan(from, to);
    return 0;
}

int RedrawReviewWindow(int window) {
    ReviewWindow *w = FindWindow(window);
    if (!w) return -1;
    w->trend->replot(QCustomPlot::rpImmediateRefresh);
    QApplication::processEvents();
    return 0;
}

int SaveReviewWindowPicture(int window, const char *path) {
    ReviewWindow *w = FindWindow(window);
    if (!w || !path) return -1;
    // Queued replots not drawn yet would be missing from the picture.
    w->trend->replot(QCustomPlot::rpImmediateRefresh);
    w->histogram->replot(QCustomPlot::rpImmediateRefresh);
    return w->grab().save(QFile::decodeName(path), "PNG") ? 0 : -1;
}

int CloseReviewWindow(int window) {
    ReviewWindow *w = FindWindow(window);
    if (!w) return -1;
    w->close();
    return 0;
}
