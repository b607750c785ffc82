// The review from the main window's button: the file read while the window
// stays responsive, the "Recording review" window and its keys, and a file
// of another kind refused with a message. The window to a screen reader and
// the keyboard, on a small screen, and its list of gaps leading the trend.
#include "window/controls.h"
#include "settings/riror14.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "recording/recorder.h"
#include "platform/widgets/reviewwindow.h"
#include "review/review.h"
#include "uiharness.h"
#include "waits.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <unistd.h>

#include <climits>
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

// The line whose accessible name starts with what it is.
QLabel *Line(QWidget *review, const char *what) {
    for (QLabel *l : review->findChildren<QLabel *>())
        if (l->accessibleName().startsWith(QLatin1String(what))) return l;
    return nullptr;
}

std::string SpanText(QWidget *review) {
    QLabel *l = Line(review, "Span in view");
    return l ? l->text().toStdString() : "";
}

// Ten minutes; the reply number jumps after row `jump`, a damaged line
// comes before row `damaged`.
std::string TenMinutes(long jump = LONG_MAX, long damaged = -1) {
    const std::string path = "/tmp/vtlx-review-window-" + std::to_string(getpid()) + ".csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << RecordingHeader() << "\r\n";
        for (long i = 0; i < 26 * 600; i++) { // ten minutes
            const RunReply values = {1800, 4200, 2400, 7500, 2400, 25, 2, 300, 280, 128, 1000};
            const RecordingRow r = {"2026-12-08T06:34:29.123+01:00", i / 26.0,
                                    i + 1 + (i > jump ? 10 : 0), values, 1};
            char text[256];
            out << (i == damaged ? "a damaged row\r\n" : "");
            out.write(text, FormatRecordingRow(r, text, sizeof text));
        }
    }
    return path;
}

QWidget *OpenReview(const std::string &path) {
    char error[300] = "";
    EXPECT_GT(OpenRecordingReview(path.c_str(), error, sizeof error), 0) << error;
    QWidget *review = Window("Recording review");
    return PumpUntil([&] { return SpanText(review) != ""; }) ? review : nullptr;
}

TEST(ReviewWindow, OpensFromTheButtonAndFollowsTheKeys) {
    const std::string path = TenMinutes();
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

// Each figure is named by what it is and what it says; the focus starts at
// the top and Tab goes down the window; Escape and Ctrl+W close it.
TEST(ReviewWindow, ReadByScreenReaderAndKeyboard) {
    const std::string path = TenMinutes();
    QWidget *review = OpenReview(path);
    ASSERT_TRUE(review);
    for (const auto &[what, says] :
         {std::pair{"File: ", "15600 rows"},
          {"Span in view: ", "15600 rows"},
          {"Statistics of the measured value: ", "n 15600"},
          {"Statistics of the measured value in micrometres: ", "n 15600"},
          {"Out of tolerance and process capability: ", "out 0"}}) {
        QLabel *line = Line(review, what);
        ASSERT_TRUE(line) << what;
        const QString name = QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name);
        EXPECT_TRUE(name.contains(says) && name.endsWith(line->text())) << name.toStdString();
    }
    for (const auto &key : {QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_W}) {
        review = review ? review : OpenReview(path);
        review->activateWindow();
        ASSERT_TRUE(PumpUntil([&] { return review->isActiveWindow(); }));
        QWidget *top = review->focusWidget();
        ASSERT_EQ(top, Line(review, "File: "));
        int y = 0, stops = 0;
        do { // down the window, the histogram before the figures beside it
            EXPECT_GE(review->focusWidget()->mapTo(review, QPoint()).y(), y);
            y = review->focusWidget()->mapTo(review, QPoint()).y();
            QTest::keyClick(review->focusWidget(), Qt::Key_Tab);
        } while (review->focusWidget() != top && ++stops < 20);
        EXPECT_EQ(stops, 8) << "file, trend, span, reading, histogram, three figures, list";
        QTest::keyClick(review->focusWidget(), key.key(), key.keyboardModifiers());
        EXPECT_TRUE(PumpUntil([] { return RecordingReviewCount() == 0; })) << key.key();
        review = nullptr;
    }
    std::remove(path.c_str());
}

// Also at scale 2 on a 1366x768 screen, 683x384 to the window (see
// CMakeLists.txt): the window fits the screen, its parts keep their room.
TEST(ReviewWindow, FitsTheScreen) {
    const auto none = [](int, double, double, int) {};
    const int id = OpenReviewWindow(0.0, 10.0, none, none, [](int) {});
    QWidget *review = Window("Recording review");
    const QSize room = review->screen()->availableGeometry().size();
    EXPECT_TRUE(review->width() <= room.width() && review->height() <= room.height());
    EXPECT_LE(review->minimumSizeHint().height(), room.height());
    for (QWidget *part : review->findChildren<QWidget *>()) // the named ones, as read out
        EXPECT_TRUE(part->accessibleName().isEmpty() ||
                    part->height() >= part->minimumSizeHint().height())
            << part->accessibleName().toStdString();
    CloseReviewWindow(id);
}

// Return or a click on a line of the list centres the trend on its row: a
// minute around it when the whole file was in view.
TEST(ReviewWindow, ListLinesMoveTheTrend) {
    const std::string path = TenMinutes(26 * 420, 26 * 120); // a gap at 7:00, damage at 2:00
    QWidget *review = OpenReview(path);
    ASSERT_TRUE(review);
    auto *list = review->findChild<QListWidget *>();
    const QCPAxis *x = review->findChild<QCustomPlot *>()->xAxis; // the trend's
    ASSERT_TRUE(list->count() == 2 && list->item(1)->text().startsWith("Gap at 0:07:00"));
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_NEAR(x->range().center(), 420.0, 0.1);
    EXPECT_NEAR(x->range().size(), 60.0, 0.1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    EXPECT_NEAR(x->range().center(), 120.0, 0.1);
    review->close();
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
