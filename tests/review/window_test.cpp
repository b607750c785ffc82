// The review from the main window's button: the file read while the window
// stays responsive, the "Recording review" window and its keys, and a file
// of another kind refused with a message.
#include "window/controls.h"
#include "settings/riror14.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "recording/recorder.h"
#include "platform/widgets/reviewwindow.h"
#include "review/review.h"
#include "uiharness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <string>

namespace {

bool WaitUntil(const std::function<bool()> &done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 30000)
        PumpFor(0.02);
    return done();
}

QWidget *Window(const char *title) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QString::fromLatin1(title)) return w;
    return nullptr;
}

std::string SpanText(QWidget *review) {
    for (QLabel *l : review->findChildren<QLabel *>())
        if (l->accessibleName() == QStringLiteral("Span in view")) return l->text().toStdString();
    return "";
}

TEST(ReviewWindow, OpensFromTheButtonAndFollowsTheKeys) {
    const std::string path = "/tmp/vtlx-review-window-" + std::to_string(getpid()) + ".csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << RecordingHeader() << "\r\n";
        for (long i = 0; i < 26 * 600; i++) { // ten minutes
            const RunReply values = {1800, 4200, 2400, 7500, 2400, 25, 2, 300, 280, 128, 1000};
            const RecordingRow r = {"2026-12-08T06:34:29.123+01:00", i / 26.0, i + 1, values, 1};
            char text[256];
            out.write(text, FormatRecordingRow(r, text, sizeof text));
        }
    }
    SetFileSelectAnswer(path.c_str());
    CC_BTNOpenRecording(pHandle, PANEL_BTNOpenRecording, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return RecordingReviewCount() == 1; }));
    QWidget *review = Window("Recording review");
    ASSERT_TRUE(review);
    ASSERT_TRUE(WaitUntil([&] {
        return SpanText(review) == "In view 0:00:00 to 0:09:59: 15600 rows";
    })) << SpanText(review);
    auto *trend = review->findChild<QCustomPlot *>();
    ASSERT_TRUE(trend && trend->accessibleName() == QStringLiteral("Trend"));
    QTest::keyClick(trend, Qt::Key_Plus); // the middle half: 2:30 to 7:30
    EXPECT_TRUE(WaitUntil([&] {
        return SpanText(review).rfind("In view 0:02:29 to 0:07:29", 0) == 0;
    })) << SpanText(review);
    QTest::keyClick(trend, Qt::Key_PageDown); // a whole span on: stops at the end
    EXPECT_TRUE(WaitUntil([&] { return SpanText(review).find("to 0:09:59") != std::string::npos; }))
        << SpanText(review);
    QTest::keyClick(trend, Qt::Key_Home);
    EXPECT_TRUE(WaitUntil([&] {
        return SpanText(review).rfind("In view 0:00:00 to 0:09:59", 0) == 0;
    })) << SpanText(review);
    review->close();
    EXPECT_TRUE(WaitUntil([] { return RecordingReviewCount() == 0; }));
    std::remove(path.c_str());
}

TEST(ReviewWindow, AnotherFileIsRefusedWithAMessage) {
    const std::string path = "/tmp/vtlx-review-other-" + std::to_string(getpid()) + ".csv";
    std::ofstream(path) << "index,position [sub-pixel],value\r\n1,0.000,12\r\n";
    SetFileSelectAnswer(path.c_str());
    CC_BTNOpenRecording(pHandle, PANEL_BTNOpenRecording, EVENT_COMMIT, nullptr, 0, 0);
    QWidget *box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = Window("Recording review")) != nullptr; }));
    auto *message = qobject_cast<QMessageBox *>(box);
    ASSERT_TRUE(message) << "a message, not a review window";
    EXPECT_TRUE(message->text().contains(QStringLiteral("is no recording of this program")))
        << message->text().toStdString();
    EXPECT_EQ(RecordingReviewCount(), 0);
    message->close();
    std::remove(path.c_str());
}

} // namespace

// In evaluation mode 1 the measured value is the right edge: its curve lay
// under the right edge's, out of sight.
TEST(ReviewWindow, MeasuredValueIsDrawnOverTheEdgeItFollows) {
    const auto none = [](int, double, double, int) {};
    const int id = OpenReviewWindow(0.0, 10.0, none, none, [](int) {});
    const double x[2] = {0.0, 10.0}, y[2] = {2400, 2400};
    for (int curve : {0, 1, 2}) // all three on one line
        SetReviewTrend(id, curve, x, y, 2);
    QCustomPlot *trend = nullptr;
    for (auto *plot : Window("Recording review")->findChildren<QCustomPlot *>())
        if (plot->accessibleName() == QStringLiteral("Trend")) trend = plot;
    ASSERT_TRUE(trend);
    const QImage shot = trend->toPixmap().toImage();
    const int column = int(trend->xAxis->coordToPixel(5.0));
    const int row = int(std::lround(trend->yAxis->coordToPixel(2400)));
    QString seen;
    for (int y = row - 1; y <= row + 1; y++)
        seen += shot.pixelColor(column, y).name();
    EXPECT_TRUE(seen.contains("#000000")) << seen.toStdString(); // the measured value's colour
    CloseReviewWindow(id);
}
