// The run loop against the simulated sensor: replies into indicators, bar
// graph and chart; Stop; time-out; nested fetch; the program's end.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "export/graphexport.h"
#include "gui/plots.h"
#include "gui/pushget.h"
#include "gui/runloop.h"
#include "livetest.h"
#include "window/controls.h"
#include "main/live.h"
#include "main/windows.h"
#include "main/winmain.h"
#include "platform/runtime.h"
#include "testhooks.h"
#include "platform/widgets/panel.h"
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
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RunLoop : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    void Run() { CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0); }
    void Stop() { CC_BTNStop(pHandle, 5, EVENT_LEFT_CLICK, nullptr, 0, 0); }
    // The run reply whose words the variables hold (word 13 numbers them).
    static SimEvent Taken(const std::vector<SimEvent> &replies) {
        const auto r = std::find_if(replies.rbegin(), replies.rend(),
                                    [](const SimEvent &l) { return l.words[13] == in0; });
        return r == replies.rend() ? SimEvent{} : *r;
    }
    PortFolder folder;
    QObject context;
};

TEST_F(RunLoop, RepliesReachIndicatorsBarGraphAndChart) {
    sim::Config config = InstantConfig("t1");
    config.period = 1.0; // the object sweeps: values change from reply to reply
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    target = EEPROM;
    SetCtrlAttribute(pHandle, PANEL_CTRLPostLoop, ATTR_DIMMED, 1);
    After(context, 0.4, [&] { Stop(); });
    Run();
    ExpectEnded();
    EXPECT_TRUE(Attribute(PANEL_CHARTRaw, ATTR_VISIBLE));
    EXPECT_FALSE(Attribute(PANEL_GRAPHVideo, ATTR_VISIBLE));

    const auto requests = sensor.lines("rx", "frame", 8), replies = sensor.lines("tx", "reply", 8);
    ASSERT_GE(replies.size(), 20u);
    // Each request carries back the set-point and tolerance of the reply before.
    for (size_t i = 1; i < requests.size(); i++) {
        ASSERT_EQ(requests[i].words[8], replies[i - 1].words[5]) << i;
        ASSERT_EQ(requests[i].words[9], replies[i - 1].words[6]) << i;
    }
    const SimEvent last = Taken(replies);
    ASSERT_FALSE(last.words.empty());
    EXPECT_GE(last.words[13] + 1, replies.back().words[13]) << "the last reply or the one before";
    const std::vector<unsigned> &w = last.words;
    const struct {
        unsigned variable, word;
        int control; // where it is shown; 0: nowhere
    } shown[] = {{Ledge, w[0], PANEL_NUMLedge},
                 {Redge, w[1], PANEL_NUMRedge},
                 {Mvalue, w[2], PANEL_NUMMvalue},
                 {Mvalue, w[2], PANEL_NUMMvalue2},
                 {tVal, w[5], PANEL_NEDITSetpoint},
                 {tTol, w[6], PANEL_NUMTolerance},
                 {edcnt, w[7], 0},
                 {mvstart, w[8], 0},
                 {mvend, w[9], 0},
                 {dynpower, w[10], 0},
                 {anaMax, w[11], PANEL_NUMAnaMax},
                 {anaMin, w[12], PANEL_NUMAnaMin},
                 {unsigned(umValue), w[4] << 16 | w[3], PANEL_NUMUmValue}};
    for (size_t i = 0; i < std::size(shown); i++) {
        EXPECT_EQ(shown[i].variable, shown[i].word) << "row " << i;
        if (shown[i].control) {
            EXPECT_EQ(unsigned(PanelInt(shown[i].control)), shown[i].word) << "row " << i;
        }
    }
    // Chart trace 4 holds the measured values of the replies taken, newest last.
    double trace[200];
    int colour = 0;
    const int n = GetStripChartTrace(pHandle, PANEL_CHARTRaw, 4, trace, 200, &colour);
    const size_t taken = w[13]; // the sensor numbers its replies from 1
    ASSERT_GE(n, 100);
    for (size_t j = 0; j < std::min<size_t>(taken, 100); j++)
        ASSERT_EQ(trace[n - 1 - j], double(replies[taken - 1 - j].words[2])) << "point " << j;
    // Cursor 1 of the bar graph marks the measured position.
    double x = 0, y = 0;
    GetGraphCursor(pHandle, PANEL_GRAPHBar, 1, &x, &y);
    EXPECT_EQ(x, std::clamp<double>(MeasuredPosition(), std::max<int>(pixB, 1),
                                    std::min<int>(pixE, ccdsubpixel)));
}

TEST_F(RunLoop, StopWhileAReplyIsAwaitedEndsAtOnceAndTheLateReplyIsNotShown) {
    sim::Config config = InstantConfig("t1");
    config.faults.holdAnswer = 1; // the first reply held back whole until released
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok() && OpenLine());
    const int before = PanelInt(PANEL_NUMLedge);
    WhenSensorHolds(context, sensor.thread(), [&] { Stop(); });
    Run();
    EXPECT_TRUE(SensorHolds(sensor.thread())) << "the loop ended without its reply";
    ExpectEnded();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Line Ok!");
    sensor.thread().ReleaseHeld();
    EXPECT_TRUE(PumpUntil([] { return rx_flag == 1; })) << "the late reply lands in pp only";
    EXPECT_EQ(sensor.lines("tx", "reply", 8).size(), 1u);
    EXPECT_EQ(rx_flag, 1);
    EXPECT_EQ(Ledge, 0);
    EXPECT_EQ(PanelInt(PANEL_NUMLedge), before);
}

// Waits out the 1.5 s time-out.
TEST_F(RunLoop, SensorFallingSilentEndsTheRunByTimeoutKeepingTheLastValues) {
    sim::Config config = InstantConfig("t1");
    config.faults.silentAfter = 4 + 6; // the start-up chain, then six run replies
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    After(context, 5.0, [&] { Stop(); }); // only if the time-out fails
    const double t0 = Timer();
    Run();
    EXPECT_GT(Timer() - t0, 1.45) << "the whole time limit";
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout RS232-Line!");
    ExpectEnded();
    const auto replies = sensor.lines("tx", "reply", 8);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(in0, replies[5].words[13]);
    EXPECT_EQ(unsigned(PanelInt(PANEL_NUMMvalue)), replies[5].words[2]);
}

// Fetches run from a callback inside the loop's pump. Their reply (the
// parameter set) taken as a measurement would send eMode and eBeg back as
// set-point and tolerance; a run reply taken as their answer would load its
// words as settings. Neither may happen.
TEST_F(RunLoop, FetchNestedInTheRunLeavesTheMeasurementAlone) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const unsigned setPoint = tVal, tolerance = tTol;
    ASSERT_NE(setPoint, eMode);
    int fetched = 0;
    for (double at : {0.1, 0.2, 0.3})
        After(context, at, [&] {
            PushGET(RAM);
            fetched +=
                ControlText(pHandle, PANEL_TEXTStatus) == "Parameter-frame received! - Line Ok!";
        });
    After(context, 0.45, [&] { Stop(); });
    Run();
    ExpectEnded();
    EXPECT_EQ(fetched, 3);
    const auto requests = sensor.lines("rx", "frame", 8);
    ASSERT_GE(requests.size(), 10u);
    for (size_t i = 0; i < requests.size(); i++) {
        ASSERT_EQ(requests[i].words[8], setPoint) << "request " << i;
        ASSERT_EQ(requests[i].words[9], tolerance) << "request " << i;
    }
    EXPECT_EQ(Ledge, Taken(sensor.lines("tx", "reply", 8)).words.at(0));
}

// Stop makes Run and Video operable while the loop still finishes its pass;
// neither may start a second loop inside the first.
TEST_F(RunLoop, NoSecondLoopStartsWhileTheFirstFinishes) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    After(context, 0.1, [&] {
        Stop();
        CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
        PushRUN();
    });
    bool secondLoop = false;
    After(context, kHangCeiling * TimeFactor(), [&] { // ends a wrongly started loop
        secondLoop = true;
        stop_flag = 1;
    });
    Run();
    EXPECT_FALSE(secondLoop);
    ExpectEnded();
    EXPECT_TRUE(sensor.lines("rx", "frame", 9).empty());
}

// Run or Video pressed while a fetch waits for its reply starts no loop.
TEST_F(RunLoop, NoLoopStartsWhileACommandWaitsForItsReply) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.3;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok() && OpenLine());
    for (CtrlCallbackPtr start : {CC_BTNRun, CC_BTNVideo}) {
        After(context, 0.1, [&] {
            start(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
            EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Busy - waiting for a reply!");
        });
        PushGET(RAM);
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Parameter-frame received! - Line Ok!");
    }
    EXPECT_TRUE(sensor.lines("rx", "frame", 8).empty());
}

// Stop acts on the press, which Space and a screen reader now make too: the
// loop ends within the pass it was pressed in (the keyboard did nothing).
TEST_F(RunLoop, StopFromTheKeyboardOrAScreenReaderEndsTheRunAtOnce) {
    DisplayPanel(pHandle); // a screen reader presses what is shown
    auto *stop = qobject_cast<QAbstractButton *>(FindPanel(pHandle)->control(5));
    for (bool key : {true, false}) {
        SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
        ASSERT_TRUE(sensor.ok() && OpenLine());
        QObject pass; // what is pending dies with the pass
        unsigned sentAtPress = 0;
        // The last pass's replies left in0 at 3 or more: pressed before this
        // loop had started, Stop would find nothing to stop.
        in0 = 0;
        When(
            pass, [] { return in0 >= 3; },
            [&] {
                sentAtPress = frameCount;
                if (key)
                    QTest::keyClick(stop, Qt::Key_Space);
                else
                    QAccessible::queryAccessibleInterface(stop)->actionInterface()->doAction(
                        QAccessibleActionInterface::pressAction());
            });
        After(pass, kHangCeiling * TimeFactor(), [] { stop_flag = 1; }); // only if it fails
        Run();
        EXPECT_LE(frameCount, sentAtPress + 1) << (key ? "Space" : "screen reader");
        ExpectEnded();
    }
}

// A graph's menu open during Run holds nothing: replies go on being taken
// (run by exec(), it held the loop's pump until it closed).
TEST_F(RunLoop, GraphMenuOpenDuringRunLeavesTheLoopGoing) {
    InstallGraphExport();
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok() && OpenLine());
    unsigned atOpen = 0;
    bool wentOn = false;
    When(
        context, [] { return in0 >= 2; },
        [&] {
            QWidget *chart = FindPanel(pHandle)->control(PANEL_CHARTRaw);
            const QPoint at = chart->rect().center();
            QContextMenuEvent right(QContextMenuEvent::Mouse, at, chart->mapToGlobal(at));
            QCoreApplication::sendEvent(chart, &right);
            atOpen = in0;
            When(
                context, [&] { return in0 >= atOpen + 5; },
                [&] {
                    wentOn = qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr;
                    stop_flag = 1;
                });
        });
    After(context, kHangCeiling * TimeFactor(), [] { // only if it fails
        if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
        stop_flag = 1;
    });
    Run();
    EXPECT_TRUE(wentOn) << "no reply was taken while the menu was open";
    if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
}

// Each button acts on its own event only; Stop without a loop only makes the
// two loop buttons operable.
TEST_F(RunLoop, ButtonsActOnTheirOwnEventOnly) {
    const struct {
        CtrlCallbackPtr callback;
        int event, stopAfter; // stop_flag afterwards (0 before)
    } cases[] = {
        {CC_BTNStop, EVENT_COMMIT, 0},       {CC_BTNStop, EVENT_VAL_CHANGED, 0},
        {CC_BTNStop, EVENT_LEFT_CLICK, 1},   {CC_BTNRun, EVENT_LEFT_CLICK, 0},
        {CC_BTNRun, EVENT_VAL_CHANGED, 0},   {CC_BTNVideo, EVENT_LEFT_CLICK, 0},
        {CC_BTNVideo, EVENT_VAL_CHANGED, 0},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        stop_flag = 0;
        for (int c : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2})
            SetCtrlAttribute(pHandle, c, ATTR_DIMMED, 1);
        const unsigned sent = frameCount;
        cases[i].callback(pHandle, 0, cases[i].event, nullptr, 0, 0);
        EXPECT_EQ(stop_flag, cases[i].stopAfter) << "case " << i;
        for (int c : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2})
            EXPECT_EQ(Attribute(c, ATTR_DIMMED), cases[i].stopAfter == 0) << "case " << i;
        EXPECT_EQ(frameCount, sent) << "case " << i;
    }
}

// The whole program: a loop started from the window, the window closed while
// the loop runs. The loop ends at once and the program returns 0.
TEST_F(RunLoop, ClosingTheMainWindowDuringALoopEndsTheProgramWithZero) {
    for (CtrlCallbackPtr start : {CC_BTNRun, CC_BTNVideo}) {
        SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
        ASSERT_TRUE(sensor.ok());
        const int panel = pHandle, popup = pPopup;
        double loopEnded = 0, closedAt = 0;
        After(context, 0.8, [&] {
            start(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
            loopEnded = Timer();
        });
        // Closed once the loop has sent two requests.
        When(
            context, [&] { return sensor.lines("rx", "frame", 8).size() >= 2; },
            [&] {
                closedAt = Timer();
                CC_PANEL(pHandle, EVENT_CLOSE, nullptr, 0, 0);
            });
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 1), 0);
        pHandle = panel;
        pPopup = popup;
        EXPECT_GE(loopEnded, closedAt);
        EXPECT_GT(closedAt, 0.0);
        EXPECT_GE(sensor.lines("rx", "frame", 8).size(), 2u);
        FreshStart();
    }
}

} // namespace
