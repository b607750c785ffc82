// The run loop against the simulated sensor: replies into the indicators,
// the bar graph and the strip chart; Stop; time-out; nested commands; the
// program's end while a loop runs.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/plots.h"
#include "gui/pushget.h"
#include "gui/runloop.h"
#include "livetest.h"
#include "main/controls.h"
#include "main/live.h"
#include "main/winmain.h"
#include "platform/runtime.h"
#include "platform/testhooks.h"
#include "platform/userint.h"
#include "simharness.h"
#include "uiharness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RunLoop : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    void Run() { CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0); }
    void Stop(int event = EVENT_LEFT_CLICK) { CC_BTNStop(pHandle, 5, event, nullptr, 0, 0); }
    // The loop's end state, whichever way it ended.
    void ExpectEnded() {
        EXPECT_EQ(stop_flag, 1);
        EXPECT_EQ(loopActive, 0);
        EXPECT_EQ(rx_flag, 0);
        EXPECT_EQ(graphrefresh, 0);
        for (int c : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2, PANEL_CTRLPostLoop})
            EXPECT_FALSE(Dimmed(c)) << "control " << c;
        EXPECT_TRUE(Visible(PANEL_CHARTRaw));
        EXPECT_FALSE(Visible(PANEL_GRAPHVideo));
    }
    PortFolder folder;
    QObject context;
};

TEST_F(RunLoop, RepliesReachIndicatorsBarGraphAndChart) {
    sim::Config config = InstantConfig("t1");
    config.period = 1.0; // the object sweeps: values change from reply to reply
    LoggedSensor sensor(config, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    // The loop must force RAM and make Get operable at its end.
    target = EEPROM;
    SetCtrlVal(pHandle, PANEL_RBTRam, 0);
    SetCtrlVal(pHandle, PANEL_RBTEeprom, 1);
    SetCtrlAttribute(pHandle, PANEL_CTRLPostLoop, ATTR_DIMMED, 1);

    After(context, 0.15, [&] { Stop(EVENT_COMMIT); }); // the keyboard's commit: no stop
    After(context, 0.5, [&] { Stop(); });
    const double t0 = Timer();
    Run();
    EXPECT_GT(Timer() - t0, 0.45);
    ExpectEnded();
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(PanelInt(PANEL_RBTRam), 1);
    EXPECT_EQ(PanelInt(PANEL_RBTEeprom), 0);
    EXPECT_EQ(PanelInt(PANEL_RBTFile), 0);

    const auto requests = sensor.frames(8);
    const auto replies = sensor.replies(8);
    ASSERT_GE(replies.size(), 20u);
    // Each request carries back the set-point and tolerance of the reply before.
    for (size_t i = 1; i < requests.size() && i <= replies.size(); i++) {
        ASSERT_EQ(requests[i].words[8], replies[i - 1].words[5]) << "request " << i;
        ASSERT_EQ(requests[i].words[9], replies[i - 1].words[6]) << "request " << i;
    }

    // The values shown are those of the last reply taken (word 13 numbers them).
    const auto last = std::find_if(replies.rbegin(), replies.rend(),
                                   [](const LogLine &r) { return r.words[13] == in0; });
    ASSERT_NE(last, replies.rend());
    EXPECT_LE(last - replies.rbegin(), 1) << "the last reply or the one before it";
    const std::vector<unsigned> &w = last->words;
    struct Shown {
        const char *name;
        unsigned variable;
        unsigned word;
        int control; // 0: not shown
    };
    const Shown shown[] = {
        {"Ledge", Ledge, w[0], PANEL_NUMLedge},
        {"Redge", Redge, w[1], PANEL_NUMRedge},
        {"Mvalue", Mvalue, w[2], PANEL_NUMMvalue},
        {"Mvalue", Mvalue, w[2], PANEL_NUMMvalue2},
        {"tVal", tVal, w[5], PANEL_NEDITSetpoint},
        {"tTol", tTol, w[6], PANEL_NUMTolerance},
        {"edcnt", edcnt, w[7], 0},
        {"mvstart", mvstart, w[8], 0},
        {"mvend", mvend, w[9], 0},
        {"dynpower", dynpower, w[10], 0},
        {"anaMax", anaMax, w[11], PANEL_NUMAnaMax},
        {"anaMin", anaMin, w[12], PANEL_NUMAnaMin},
    };
    for (const Shown &s : shown) {
        EXPECT_EQ(s.variable, s.word) << s.name;
        if (s.control) {
            EXPECT_EQ(unsigned(PanelInt(s.control)), s.word) << s.name;
        }
    }
    EXPECT_EQ(umValue, int(w[4] << 16 | w[3]));
    EXPECT_EQ(PanelInt(PANEL_NUMUmValue), umValue);

    // Chart trace 4 holds the measured values of the replies taken, newest last.
    double trace[200] = {};
    int colour = 0;
    const int n = GetStripChartTrace(pHandle, PANEL_CHARTRaw, 4, trace, 200, &colour);
    ASSERT_GE(n, 100);
    const long taken = long(replies.rend() - last); // replies up to the last one taken
    for (long j = 0; j < std::min(taken, 100L); j++)
        ASSERT_EQ(trace[n - 1 - j], double(replies[taken - 1 - j].words[2])) << "point " << j;

    // Cursor 1 of the bar graph marks the measured position.
    const int p = std::clamp<int>(MeasuredPosition(), std::max<int>(pixB, 1),
                                  std::min<int>(pixE, ccdsubpixel));
    double x = 0, y = 0;
    GetGraphCursor(pHandle, PANEL_GRAPHBar, 1, &x, &y);
    EXPECT_EQ(x, double(p));
}

TEST_F(RunLoop, StopWhileTheReplyIsAwaitedEndsTheLoopAndTheLateReplyIsNotShown) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.4;
    LoggedSensor sensor(config, folder);
    ASSERT_TRUE(sensor.ok());
    ASSERT_TRUE(OpenLine());
    const int shownBefore = PanelInt(PANEL_NUMLedge);
    After(context, 0.1, [&] { Stop(); });
    const double t0 = Timer();
    Run();
    EXPECT_LT(Timer() - t0, 0.3);
    ExpectEnded();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Line Ok!");
    PumpFor(0.6); // the late reply arrives and lands in pp only
    EXPECT_EQ(sensor.replies(8).size(), 1u);
    EXPECT_EQ(rx_flag, 1);
    EXPECT_EQ(Ledge, 0);
    EXPECT_EQ(PanelInt(PANEL_NUMLedge), shownBefore);
}

// Waits out the 1.5 s time-out once.
TEST_F(RunLoop, SensorFallingSilentEndsTheRunByTimeoutKeepingTheLastValues) {
    sim::Config config = InstantConfig("t1");
    config.faults.silentAfter = 4 + 6; // the start-up chain, then six run replies
    LoggedSensor sensor(config, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    After(context, 5.0, [&] { Stop(); }); // only if the time-out fails
    const double t0 = Timer();
    Run();
    EXPECT_NEAR(Timer() - t0, 1.5, 0.4);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout RS232-Line!");
    ExpectEnded();
    const auto replies = sensor.replies(8);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(in0, replies[5].words[13]);
    EXPECT_EQ(Ledge, replies[5].words[0]);
    EXPECT_EQ(unsigned(PanelInt(PANEL_NUMMvalue)), replies[5].words[2]);
}

// A fetch run from a callback inside the loop's pump: its reply (the
// parameter set) must not be taken as a measurement, or the next request
// would send eMode and eBeg back as set-point and tolerance.
TEST_F(RunLoop, FetchNestedInTheRunLeavesTheMeasurementAlone) {
    LoggedSensor sensor(InstantConfig("t1"), folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const unsigned setPoint = tVal, tolerance = tTol;
    ASSERT_NE(setPoint, eMode);
    int fetches = 0;
    for (double at : {0.1, 0.2, 0.3})
        After(context, at, [&] {
            PushGET(RAM);
            fetches +=
                ControlText(pHandle, PANEL_TEXTStatus) == "Parameter-frame received! - Line Ok!";
        });
    After(context, 0.45, [&] { Stop(); });
    Run();
    ExpectEnded();
    EXPECT_EQ(fetches, 3);
    EXPECT_EQ(sensor.frames(2).size(), 1u + 3u); // start-up and the nested ones
    const auto requests = sensor.frames(8);
    ASSERT_GE(requests.size(), 10u);
    for (size_t i = 0; i < requests.size(); i++) {
        ASSERT_EQ(requests[i].words[8], setPoint) << "request " << i;
        ASSERT_EQ(requests[i].words[9], tolerance) << "request " << i;
    }
    const auto replies = sensor.replies(8);
    const auto last = std::find_if(replies.rbegin(), replies.rend(),
                                   [](const LogLine &r) { return r.words[13] == in0; });
    ASSERT_NE(last, replies.rend());
    EXPECT_EQ(Ledge, last->words[0]);
    EXPECT_EQ(tVal, setPoint);
}

// Stop makes Run and Video operable while the loop still finishes its pass;
// neither may start a second loop inside the first.
TEST_F(RunLoop, NoSecondLoopStartsWhileTheFirstFinishes) {
    LoggedSensor sensor(InstantConfig("t1"), folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    After(context, 0.1, [&] {
        Stop();
        CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
        CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
        PushRUN();
    });
    After(context, 1.0, [] { stop_flag = 1; }); // ends a wrongly started loop
    const double t0 = Timer();
    Run();
    EXPECT_LT(Timer() - t0, 0.5);
    ExpectEnded();
    EXPECT_TRUE(sensor.frames(9).empty());
}

// Run, Video and Stop act on their own event only; Stop without a loop only
// makes the two loop buttons operable.
TEST_F(RunLoop, ButtonsActOnTheirOwnEventOnly) {
    struct Case {
        const char *what;
        CtrlCallbackPtr callback;
        int event;
        int stopAfter;   // stop_flag afterwards (0 before)
        bool locksAfter; // CTRLLoopLock1 and 2 still dimmed
    };
    const Case cases[] = {
        {"Stop, commit", CC_BTNStop, EVENT_COMMIT, 0, true},
        {"Stop, value changed", CC_BTNStop, EVENT_VAL_CHANGED, 0, true},
        {"Stop, left click", CC_BTNStop, EVENT_LEFT_CLICK, 1, false},
        {"Run, left click", CC_BTNRun, EVENT_LEFT_CLICK, 0, true},
        {"Run, value changed", CC_BTNRun, EVENT_VAL_CHANGED, 0, true},
        {"Video, left click", CC_BTNVideo, EVENT_LEFT_CLICK, 0, true},
        {"Video, value changed", CC_BTNVideo, EVENT_VAL_CHANGED, 0, true},
    };
    for (const Case &c : cases) {
        stop_flag = 0;
        SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 1);
        SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 1);
        const unsigned sent = frameCount;
        EXPECT_EQ(c.callback(pHandle, 0, c.event, nullptr, 0, 0), 0) << c.what;
        EXPECT_EQ(stop_flag, c.stopAfter) << c.what;
        EXPECT_EQ(Dimmed(PANEL_CTRLLoopLock1), c.locksAfter) << c.what;
        EXPECT_EQ(Dimmed(PANEL_CTRLLoopLock2), c.locksAfter) << c.what;
        EXPECT_EQ(frameCount, sent) << c.what;
    }
}

// The whole program: started, a loop started from the window, the main
// window closed while the loop runs. The loop ends and the program returns 0.
TEST_F(RunLoop, ClosingTheMainWindowDuringALoopEndsTheProgramWithZero) {
    for (CtrlCallbackPtr start : {CC_BTNRun, CC_BTNVideo}) {
        LoggedSensor sensor(InstantConfig("t1"), folder);
        ASSERT_TRUE(sensor.ok());
        const int panel = pHandle, popup = pPopup;
        double loopEnded = 0, closedAt = 0;
        After(context, 0.8, [&] {
            start(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
            loopEnded = Timer();
        });
        After(context, 1.1, [&] {
            closedAt = Timer();
            CC_PANEL(pHandle, EVENT_CLOSE, nullptr, 0, 0);
        });
        const int rc = WinMain(nullptr, nullptr, nullptr, 1);
        const double end = Timer();
        pHandle = panel;
        pPopup = popup;
        EXPECT_EQ(rc, 0);
        EXPECT_GT(closedAt, 0.0);
        EXPECT_GE(loopEnded, closedAt);
        EXPECT_LT(end - closedAt, 0.5);
        EXPECT_EQ(loopActive, 0);
        EXPECT_GE(sensor.frames(8).size(), 2u);
        FreshStart();
    }
}

} // namespace
