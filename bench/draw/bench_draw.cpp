// Drawing cost per measurement reply on the real main window (offscreen):
//   reply pair   PlotVIDEOBarGraph + PlotRAWGraphX8, as the run loop draws
//                every reply;
//   video curve  PlotVIDEOCurve, as the video loop draws every block;
// each followed by the repaint it causes. Two repaint figures are given:
//   pumped  one event pump, as the run loop's pass does: the graphs' queued
//           replots and the paint of what they mark dirty;
//   forced  the pump plus a synchronous repaint of the whole window (upper
//           bound: every control repainted, not only the graphs).
// Prints median and p99 in microseconds over the iterations.
//
// Usage: bench_draw [iterations] [plain]   (default 2000; run from its build
// folder). "plain" turns antialiasing off on every graph first: a what-if
// figure for the graphs' look, not what the program shows.
#include "gui/plots.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

static int paints = 0; // paint events seen on the graphs

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Paint) paints++;
        return false;
    }
};

static QWidget *ShownWindow(void) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->findChildren<QCustomPlot *>().isEmpty()) return w;
    return nullptr;
}

// A sensor of 1024 pixels at 8 sub-pixels, measuring an object near the
// set-point; every reply moves the edges a little.
static void TypicalSensor(void) {
    ccdmaxpixel = 1024;
    ccdmaxpixelX8 = 8192;
    ccdsubpixel = 8192;
    ccdpixE = 1024;
    pixB = 1;
    pixE = 8191;
    YAXISMAX = 1024;
    eMode = 2;
    eBeg = 200;
    eEnd = 8000;
    tVal = 2400;
    tTol = 120;
    anaMode = 0;
    edcnt = 2;
    for (int i = 0; i < 256; i++) {
        xArray8[i] = 32.0 * i;
        thdArray[i] = 512;
    }
}

static void NextReply(int k) {
    int wobble = static_cast<int>(40.0 * std::sin(k * 0.07));
    Ledge = static_cast<u16>(2900 + wobble);
    Redge = static_cast<u16>(5300 + wobble / 2);
    Mvalue = static_cast<u16>(Redge - Ledge);
    umValue = Mvalue * 12;
    anaMax = 2600;
    anaMin = 2300;
    for (int i = 0; i < 256; i++) {
        double x = 32.0 * i;
        bool shadow = x > Ledge && x < Redge;
        adcbuf[i] = static_cast<u16>(shadow ? 120 + (i * 7 + k) % 30 : 820 + (i * 13 + k) % 40);
    }
}

struct Figures {
    double median, p99; // whole case: calls, pump and repaint
    double callsMedian; // the drawing calls alone
    double paintsPerCall;
};

static double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(v.size() * q))];
}

static Figures Measure(int iterations, const std::function<void(int)> &draw, QWidget *window,
                       bool forced) {
    std::vector<double> us, calls;
    us.reserve(iterations);
    calls.reserve(iterations);
    paints = 0;
    QElapsedTimer t;
    for (int k = 0; k < iterations; k++) {
        NextReply(k);
        t.start();
        draw(k);
        calls.push_back(t.nsecsElapsed() / 1000.0);
        QApplication::processEvents();
        if (forced) window->repaint();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    Figures f;
    f.median = Percentile(us, 0.5);
    f.p99 = Percentile(us, 0.99);
    f.callsMedian = Percentile(calls, 0.5);
    f.paintsPerCall = static_cast<double>(paints) / iterations;
    return f;
}

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (iterations < 10) iterations = 10;
    bool plain = argc > 2 && std::strcmp(argv[2], "plain") == 0;

    pHandle = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL);
    pPopup = LoadPanel(0, "VORTELIX-Riror14.uir", POPUP);
    if (pHandle <= 0 || pPopup <= 0) {
        std::fprintf(stderr, "bench_draw: cannot load the panels\n");
        return 1;
    }
    DisplayPanel(pHandle);
    QApplication::processEvents();
    QWidget *window = ShownWindow();
    if (window == nullptr) {
        std::fprintf(stderr, "bench_draw: main window not shown\n");
        return 1;
    }
    window->resize(1366, 768);
    PaintCounter counter;
    for (QCustomPlot *graph : window->findChildren<QCustomPlot *>()) {
        graph->installEventFilter(&counter);
        if (plain) {
            graph->setNotAntialiasedElements(QCP::aeAll);
            graph->setAntialiasedElements(QCP::aeNone);
        }
    }
    TypicalSensor();

    auto replyPair = [](int) {
        PlotVIDEOBarGraph();
        PlotRAWGraphX8();
    };
    auto barGraph = [](int) { PlotVIDEOBarGraph(); };
    auto stripChart = [](int) { PlotRAWGraphX8(); };
    auto videoCurve = [](int) { PlotVIDEOCurve(adcbuf, xArray8); };

    // Warm-up: fill the strip-chart history.
    Measure(200, replyPair, window, false);

    std::printf("bench_draw: %d iterations, window %dx%d, platform %s%s\n", iterations,
                window->width(), window->height(), qPrintable(QApplication::platformName()),
                plain ? ", antialiasing off" : "");
    std::printf("%-28s %10s %10s %10s %13s\n", "case", "median_us", "p99_us", "calls_us",
                "graph_paints");
    const struct {
        const char *name;
        std::function<void(int)> draw;
        bool forced;
        bool video;
    } cases[] = {
        {"reply pair, pumped", replyPair, false, false},
        {"reply pair, forced repaint", replyPair, true, false},
        {"  bar graph alone, pumped", barGraph, false, false},
        {"  strip chart alone, pumped", stripChart, false, false},
        {"video curve, pumped", videoCurve, false, true},
        {"video curve, forced repaint", videoCurve, true, true},
    };
    for (const auto &c : cases) {
        if (c.video) {
            // Video mode: the video graph in place of the strip chart.
            SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_VISIBLE, 0);
            SetCtrlAttribute(pHandle, PANEL_GRAPHVideo, ATTR_VISIBLE, 1);
        } else {
            SetCtrlAttribute(pHandle, PANEL_GRAPHVideo, ATTR_VISIBLE, 0);
            SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_VISIBLE, 1);
        }
        Measure(50, c.draw, window, false);
        Figures f = Measure(iterations, c.draw, window, c.forced);
        std::printf("%-28s %10.1f %10.1f %10.1f %13.2f\n", c.name, f.median, f.p99, f.callsMedian,
                    f.paintsPerCall);
    }
    return 0;
}
