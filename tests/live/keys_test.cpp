// The run loop against the simulated sensor, worked without a mouse: Stop
// pressed from the keyboard or by a screen reader, and a graph's menu open
// while the loop runs.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "export/graphexport.h"
#include "gui/runloop.h"
#include "livetest.h"
#include "main/live.h"
#include "window/controls.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/userint.h"
#include "simharness.h"
#include "uiharness.h"
#include "waits.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kStopButton = 5; // main panel's BTNStop

QWidget *Control(int control) {
    Panel *p = nullptr;
    QWidget *w = nullptr;
    return Find(pHandle, control, &p, &w) ? w : nullptr;
}

class NoMouse : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    void Run() { CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0); }
    // Ends a loop the way under test failed to end, so that the test can say so.
    static void Rescue(QObject &context, bool *rescued) {
        After(context, kHangCeiling * TimeFactor(), [rescued] {
            if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
            if (loopActive) *rescued = true;
            stop_flag = 1;
        });
    }
    PortFolder folder;
    QObject context;
};

// Stop acts on the press; the keyboard and a screen reader click it without
// one. Each ends the loop within the pass it was pressed in: at most the
// request already on its way follows.
TEST_F(NoMouse, StopFromTheKeyboardOrAScreenReaderEndsTheRun) {
    const struct {
        const char *way;
        void (*press)(QAbstractButton *);
    } ways[] = {
        {"Space", [](QAbstractButton *b) { QTest::keyClick(b, Qt::Key_Space); }},
        {"Return", [](QAbstractButton *b) { QTest::keyClick(b, Qt::Key_Return); }},
        {"Alt letter",
         [](QAbstractButton *b) {
             b->window()->activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(b->window()));
             QTest::keyClick(b->window(), Qt::Key_S, Qt::AltModifier);
         }},
        {"screen reader",
         [](QAbstractButton *b) {
             QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
             ASSERT_TRUE(a && a->actionInterface());
             a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
         }},
    };
    DisplayPanel(pHandle);
    auto *stop = qobject_cast<QAbstractButton *>(Control(kStopButton));
    ASSERT_NE(stop, nullptr);
    for (const auto &w : ways) {
        SCOPED_TRACE(w.way);
        SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        QObject pass; // what is pending dies with the pass
        bool rescued = false;
        unsigned sentAtPress = 0;
        When(
            pass, [] { return in0 >= 3; },
            [&] {
                stop->setFocus();
                sentAtPress = frameCount;
                w.press(stop);
            });
        Rescue(pass, &rescued);
        Run();
        EXPECT_FALSE(rescued) << "the loop went on after Stop";
        ExpectEnded();
        EXPECT_LE(frameCount, sentAtPress + 1);
        FreshStart();
        DisplayPanel(pHandle);
    }
}

// A graph's context menu open during Run holds nothing: replies go on being
// taken while it is open (a menu run by exec() held the loop until closed).
TEST_F(NoMouse, GraphMenuOpenDuringRunLeavesTheLoopGoing) {
    InstallGraphExport();
    DisplayPanel(pHandle);
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    bool rescued = false, wentOn = false;
    unsigned atOpen = 0;
    When(
        context, [] { return in0 >= 2; },
        [&] {
            QWidget *chart = Control(PANEL_CHARTRaw);
            ASSERT_NE(chart, nullptr);
            QContextMenuEvent right(QContextMenuEvent::Mouse, chart->rect().center());
            QCoreApplication::sendEvent(chart, &right);
            atOpen = in0;
            When(
                context,
                [&] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; },
                [&] {
                    When(
                        context, [&] { return in0 >= atOpen + 5; },
                        [&] {
                            wentOn = QApplication::activePopupWidget() != nullptr;
                            if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
                            stop_flag = 1;
                        });
                });
        });
    Rescue(context, &rescued);
    Run();
    EXPECT_FALSE(rescued) << "no reply was taken while the menu was open";
    EXPECT_TRUE(wentOn) << "the menu was not open while the replies came";
    ExpectEnded();
}

} // namespace
