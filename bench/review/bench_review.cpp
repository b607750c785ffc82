// The review window on a long recording (make_recording's day), offscreen:
//   open     the file read, the window shown, its trend drawn;
//   figures  the statistics and histogram of the whole file (what follows
//            once the span settles);
//   memory   resident size added by the review, and the peak of the process;
//   pan      a step of a tenth of the span to the right, trend reduced and
//            drawn (median, p99, max over the steps), on spans of 12 h and 1 h.
//
// Usage: bench_review FILE [picture.png]   (run with QT_QPA_PLATFORM=offscreen;
// QT_SCALE_FACTOR=2 for the picture at scale 2)
#include "platform/widgets/reviewwindow.h"
#include "review/review.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

// A figure of /proc/self/status in MB ("VmRSS", "VmHWM").
static double StatusMB(const char *key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key) + 1) / 1024.0;
    return 0.0;
}

static void PumpFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

static void Pan(int window, double span) {
    double from, to;
    GetReviewSpan(window, &from, &to);
    SetReviewSpan(window, 6 * 3600, 6 * 3600 + span);
    RedrawReviewWindow(window);
    std::vector<double> ms;
    for (int i = 0; i < 60; i++) {
        GetReviewSpan(window, &from, &to);
        QElapsedTimer t;
        t.start();
        SetReviewSpan(window, from + span / 10, to + span / 10);
        RedrawReviewWindow(window);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("pan %5.1f h: median %.1f ms, p99 %.1f ms, max %.1f ms (%zu steps)\n", span / 3600,
                ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), ms.size());
}

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_review FILE [picture.png]\n");
        return 2;
    }
    PumpFor(50);
    const double before = StatusMB("VmRSS:");
    QElapsedTimer t;
    t.start();
    char error[1400] = "";
    const int window = OpenRecordingReview(argv[1], error, sizeof error);
    if (window <= 0) {
        std::fprintf(stderr, "%s\n", error);
        return 1;
    }
    RedrawReviewWindow(window);
    const double open = t.nsecsElapsed() / 1e9;
    std::printf("open: %.2f s to the trend drawn\n", open);
    // The span settles (150 ms), then the figures and the histogram follow.
    t.start();
    char texts[2000] = "";
    while (t.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        RecordingReviewTexts(window, texts, sizeof texts);
        if (std::strstr(texts, "In view")) break;
    }
    std::printf("figures: whole file shown %.0f ms after the trend (the span settles 150 ms "
                "after its last change)\n",
                t.nsecsElapsed() / 1e6);
    std::printf("memory: review %.0f MB resident (process %.0f MB, peak %.0f MB)\n",
                StatusMB("VmRSS:") - before, StatusMB("VmRSS:"), StatusMB("VmHWM:"));
    std::printf("%s", texts);
    if (argc > 2) {
        SaveReviewWindowPicture(window, argv[2]);
        std::printf("picture: %s\n", argv[2]);
    }
    Pan(window, 12 * 3600);
    Pan(window, 3600);
    CloseReviewWindow(window);
    return 0;
}
