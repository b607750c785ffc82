// The calibration window, teach and reset against the simulated sensor (and a
// hand-made peer for late replies) on pseudo-terminals.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "main/teach.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "popup/calibration.h"
#include "ptypeer.h"
#include "simharness.h"
#include "uiharness.h"
#include "waits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int CAL = 12; // calibration command code

bool PopupShown() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->findChild<QWidget *>(QStringLiteral("ButtonDoFit"))) return w->isVisible();
    return false;
}

double PopupReal(int control) {
    double v = 0;
    GetCtrlVal(pPopup, control, &v);
    return v;
}

// The workflow controls that can be operated, as letters: 1 and 2 the step
// boxes, a and b the accept buttons, f the fit, s the save; then, after a
// slash, the boxes ticked.
std::string Workflow() {
    const std::pair<int, char> controls[] = {
        {POPUP_CheckStep1, '1'},          {POPUP_CheckStep2, '2'},
        {POPUP_ButtonAcceptObject1, 'a'}, {POPUP_ButtonAcceptObject2, 'b'},
        {POPUP_ButtonDoFit, 'f'},         {POPUP_ButtonSaveCalValues, 's'}};
    std::string s;
    for (auto [control, letter] : controls) {
        int dimmed = 1;
        GetCtrlAttribute(pPopup, control, ATTR_DIMMED, &dimmed);
        if (!dimmed) s += letter;
    }
    s += '/';
    for (auto [box, letter] : {std::pair{POPUP_CheckStep1, '1'}, {POPUP_CheckStep2, '2'}}) {
        int ticked = 0;
        GetCtrlVal(pPopup, box, &ticked);
        if (ticked) s += letter;
    }
    return s;
}

// The window as the resource file starts it.
void ResetCalibrationWindow() {
    for (int c : {POPUP_ButtonAcceptObject1, POPUP_ButtonAcceptObject2, POPUP_CheckStep1,
                  POPUP_CheckStep2, POPUP_ButtonDoFit, POPUP_ButtonSaveCalValues})
        SetCtrlAttribute(pPopup, c, ATTR_DIMMED, 1);
    SetCtrlVal(pPopup, POPUP_CheckStep1, 0);
    SetCtrlVal(pPopup, POPUP_CheckStep2, 0);
    SetCtrlVal(pPopup, POPUP_NUMSlope, 1.0);
    SetCtrlVal(pPopup, POPUP_NUMIntersect, 0.0);
    HidePanel(pPopup);
}

// The user's actions, each with the event its control acts on.
void Activate() {
    CC_ActivateCalibration(pPopup, 3, EVENT_COMMIT, nullptr, 0, 0);
}
void Discard() {
    CC_DiscardCalibration(pPopup, 4, EVENT_COMMIT, nullptr, 0, 0);
}
void Tick(int box) {
    SetCtrlVal(pPopup, box, 1);
    (box == POPUP_CheckStep1 ? CC_CheckStep1 : CC_CheckStep2)(pPopup, box, EVENT_VAL_CHANGED,
                                                              nullptr, 0, 0);
}
void Take(int object, int measured, int size) {
    Mvalue = u16(measured);
    SetCtrlVal(pPopup, object == 1 ? POPUP_NUMUmObject1 : POPUP_NUMUmObject2, size);
    (object == 1 ? CC_ButtonAcceptObject1 : CC_ButtonAcceptObject2)(pPopup, 0, EVENT_COMMIT,
                                                                    nullptr, 0, 0);
}
void EditSize(int object, int size) {
    const int field = object == 1 ? POPUP_NUMUmObject1 : POPUP_NUMUmObject2;
    SetCtrlVal(pPopup, field, size);
    (object == 1 ? CC_NUMUmObject1 : CC_NUMUmObject2)(pPopup, field, EVENT_VAL_CHANGED, nullptr, 0,
                                                      0);
}
void Fit() {
    CC_ButtonDoFit(pPopup, POPUP_ButtonDoFit, EVENT_COMMIT, nullptr, 0, 0);
}
void Save() {
    CC_ButtonSaveCalValues(pPopup, 12, EVENT_COMMIT, nullptr, 0, 0);
}
void Teach() {
    CC_ButtonTeach(pHandle, 7, EVENT_COMMIT, nullptr, 0, 0);
}
void ResetAnalog() {
    CC_ButtonReset(pHandle, 14, EVENT_COMMIT, nullptr, 0, 0);
}

class Calib : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetCalibrationWindow();
        FreshStart();
    }
    void TearDown() override {
        stop_flag = 1;
        ResetCalibrationWindow();
        FreshStart();
    }
    // A simulated sensor on COM1, after the program's start-up chain with it.
    SimulatedSensor &Connect(sim::Config config) {
        CloseCom(com);
        sensor = std::make_unique<SimulatedSensor>(std::move(config), 1, folder);
        InitRS232(1);
        return *sensor;
    }
    long Frames(int code) {
        const std::vector<int> f = sensor->framesReceived();
        return std::count(f.begin(), f.end(), code);
    }
    static std::string Status() { return ControlText(pHandle, PANEL_TEXTStatus); }
    PortFolder folder;
    QObject context;
    std::unique_ptr<SimulatedSensor> sensor;
};

// Each step: the action (A activate, 1/2 tick a box, a/b take object 1/2, e/E
// edit the size of object 1/2, f fit, s save), then the workflow as
// Workflow() shows it, the flags, calstep.
struct Step {
    char action;
    const char *workflow;
    int flag1, flag2, calstep;
};

TEST_F(Calib, WorkflowFollowsTheStateTableInsideTheRunLoop) {
    const std::vector<Step> scenarios[] = {
        {{'A', "12/", 0, 0, 0},
         {'1', "12a/1", 0, 0, 0},
         {'2', "12b/2", 0, 0, 0},
         {'1', "12a/1", 0, 0, 0},
         {'a', "2/", 1, 0, 1},
         {'2', "2b/2", 1, 0, 1},
         {'b', "f/", 1, 1, 2},
         {'f', "s/", 1, 1, 2},
         {'s', "/", 0, 0, 0}},
        // The objects in the other order.
        {{'A', "12/", 0, 0, 0},
         {'2', "12b/2", 0, 0, 0},
         {'b', "1/", 0, 1, 2},
         {'1', "1a/1", 0, 1, 2},
         {'a', "f/", 1, 1, 1}},
        // Re-activation opens the boxes and keeps the flags.
        {{'A', "12/", 0, 0, 0},
         {'1', "12a/1", 0, 0, 0},
         {'a', "2/", 1, 0, 1},
         {'A', "12/", 1, 0, 0},
         {'1', "12a/1", 1, 0, 0},
         {'a', "2/", 1, 0, 1},
         {'2', "2b/2", 1, 0, 1},
         {'b', "f/", 1, 1, 2}},
        // A size edited after its Accept takes the object back (the fit once
        // used the size accepted while the field showed another).
        {{'A', "12/", 0, 0, 0},
         {'1', "12a/1", 0, 0, 0},
         {'a', "2/", 1, 0, 1},
         {'e', "12/", 0, 0, 1},
         {'1', "12a/1", 0, 0, 1},
         {'a', "2/", 1, 0, 1},
         {'2', "2b/2", 1, 0, 1},
         {'b', "f/", 1, 1, 2},
         {'f', "s/", 1, 1, 2},
         {'E', "2/", 1, 0, 2}},
    };
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    Connect(config);
    for (const std::vector<Step> &steps : scenarios) {
        DisplayPanel(pPopup);
        SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 1);
        // The steps, once the activation has started the loop.
        bool ran = false;
        const auto looping = [] { return loopActive == 1; };
        When(context, looping, [&] {
            ran = true;
            for (const Step &s : steps) {
                switch (s.action) {
                case 'A': Activate(); break;
                case '1': Tick(POPUP_CheckStep1); break;
                case '2': Tick(POPUP_CheckStep2); break;
                case 'a': Take(1, 800, 1000); break;
                case 'b': Take(2, 900, 1100); break;
                case 'e': EditSize(1, 5000); break;
                case 'E': EditSize(2, 3089); break;
                case 'f': Fit(); break;
                case 's': Save(); break;
                }
                EXPECT_EQ(Workflow(), s.workflow) << s.action;
                EXPECT_EQ(flagstep1 * 10 + flagstep2, s.flag1 * 10 + s.flag2) << s.action;
                EXPECT_EQ(calstep, s.calstep) << s.action;
            }
            Discard();
        });
        Activate();
        EXPECT_TRUE(ran) << "the activation runs the loop";
        // Stop: loop ended, workflow closed, flags cleared, calstep kept, window hidden.
        EXPECT_EQ(loopActive + flagstep1 + flagstep2, 0);
        EXPECT_EQ(Workflow(), "/");
        EXPECT_EQ(calstep, steps.back().calstep);
        EXPECT_FALSE(PopupShown());
        int toggle = 1;
        GetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, &toggle);
        EXPECT_EQ(toggle, 0);
        EXPECT_EQ(Status(), "Calibration stopped successfully!");
        EXPECT_FALSE(
            sensor->thread().Inspect([](const sim::Sensor &s) { return s.Calibrating(); }));
    }
}

// Activate and Stop clicked while the video loop reads its frame blocks (the
// line taken) wait for the frame's end, say so, and then run, as they do
// during Run; they once did nothing at all.
TEST_F(Calib, ActivateAndStopWaitForTheVideoFrame) {
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    Connect(config);
    DisplayPanel(pPopup);
    // Clicked only while a block read holds the line: Activate, then (once
    // activated, calstep 0) Stop; the status right after each click.
    std::vector<std::string> texts;
    const auto click = [&](void (*button)()) {
        button();
        texts.push_back(Status());
    };
    const auto activated = [] { return calstep == 0 && LineBusy(); };
    const auto activate = [&] {
        click(Activate);
        When(context, activated, [&] { click(Discard); });
    };
    const auto reading = [] { return loopActive && LineBusy(); };
    When(context, reading, activate);
    After(context, kHangCeiling * TimeFactor(), [] { stop_flag = 1; }); // ends a loop nothing stops
    CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Frames(CAL), 2);
    const std::string waits = "Calibration command waits for the video frame ...";
    EXPECT_EQ(texts, std::vector<std::string>({waits, waits}));
    EXPECT_EQ(Status(), "Calibration stopped successfully!");
}

// The fitted line's words are cut toward zero (the offset after adding
// 30000), m by CCD type; the window shows the words the sensor answers with.
TEST_F(Calib, SaveWritesTheCutWordsAndShowsTheSensorsOwn) {
    const double s0 = 14000.0 / 421, i0 = 7960 - 241 * s0; // the initial points' line
    const struct {
        const char *preset;
        double slopeval, interval;
        unsigned slopeWord, offsetWord;
        double shownSlope, shownOffset;
    } cases[] = {
        {"t1", s0, i0, 34052, 29945, 34052 / 1024.0, -55},
        {"t1", 2.0 + 0.9 / 1024, 54.75, 2048, 30054, 2.0, 54},
        {"t1", 0.0, -30000.0, 0, 0, 0.0, -30000},
        {"t1", 65535.9 / 1024, 35535.9, 65535, 65535, 65535 / 1024.0, 35535},
        {"t104", s0, i0, 17026, 29945, 17026 / 512.0, -55},
        {"t104", 1.5, -0.5, 768, 29999, 1.5, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.preset << " " << c.slopeval);
        Connect(InstantConfig(c.preset));
        slopeval = c.slopeval;
        interval = c.interval;
        eMode = 4;
        oldMode = 3;
        Save();
        EXPECT_EQ(Status(), "New Calibration values in activated in RAM!");
        EXPECT_EQ(sensor->ram()[12], c.slopeWord);
        EXPECT_EQ(sensor->ram()[13], c.offsetWord);
        EXPECT_EQ(slope * 65536u + intersect, c.slopeWord * 65536 + c.offsetWord);
        EXPECT_EQ(PopupReal(POPUP_NUMSlope), double(float(c.shownSlope)));
        EXPECT_EQ(PopupReal(POPUP_NUMIntersect), c.shownOffset);
        EXPECT_EQ(eMode, 3);
        // The selector shows the mode restored, so a later Send keeps it.
        int shown = -1;
        GetCtrlVal(pHandle, PANEL_DropEvalMode, &shown);
        EXPECT_EQ(shown, 3);
    }
}

// A line without words is not sent; either object taken again reopens the fit.
TEST_F(Calib, FitWithoutWordsIsRefused) {
    const struct {
        int ccd, p1, u1, p2, u2;
        bool words;
    } cases[] = {
        {1, 500, 1000, 500, 2000, false},     // equal measured values: no finite line
        {1, 500, 2000, 600, 1000, false},     // falling
        {1, 500, 32000, 501, 32064, false},   // factor 64 with m 1024
        {104, 500, 50000, 501, 50100, true},  // factor 100 with m 512
        {104, 500, 64000, 501, 64128, false}, // factor 128 with m 512
        {1, 1000, 100, 1100, 6100, false},    // offset below -30000
        {1, 100, 35636, 200, 35736, false},   // offset 35536
        {1, 100, 35635, 200, 35735, true},    // offset 35535
    };
    Connect(InstantConfig("t1"));
    const u16 slopeBefore = slope, offsetBefore = intersect;
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.p1 << " " << c.u1 << " " << c.u2);
        ccdtype = u16(c.ccd);
        Take(1, c.p1, c.u1);
        Take(2, c.p2, c.u2);
        Fit();
        if (c.words) {
            EXPECT_EQ(Workflow(), "s/");
            continue;
        }
        EXPECT_EQ(Status(), "Calibration values out of range!");
        EXPECT_EQ(Workflow(), "12/");
        Save(); // were it clicked all the same
        EXPECT_EQ(slope * 65536u + intersect, slopeBefore * 65536u + offsetBefore);
        Tick(POPUP_CheckStep1);
        Take(1, 1000, 1000);
        EXPECT_EQ(Workflow(), "2f/");
        Tick(POPUP_CheckStep2);
        Take(2, 2000, 2000);
        Fit();
        EXPECT_EQ(Workflow(), "s/");
        EXPECT_EQ(Status(), "Calibration values in range!") << "the refusal once stayed";
    }
    EXPECT_EQ(Frames(CAL), 0);
}

// The flush before a send cannot stop a reply still on its way: a late frame
// answering another command must become neither calibration words nor a
// reset reported done. Waits out two time-outs.
TEST_F(Calib, LateReplyToAnotherCommandIsNotTaken) {
    const struct {
        void (*click)();
        int code;
        bool answered;
        const char *text;
    } cases[] = {
        {Save, CAL, true, "New Calibration values in activated in RAM!"},
        {Save, CAL, false, "Timeout-RS-232..."},
        {ResetAnalog, 11, true, "Reset of analog-output Max/Min OK!"},
        {ResetAnalog, 11, false, "Timeout-RS-232..."},
    };
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    folder.link(1, peer.device());
    com = 1;
    ASSERT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(1, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " answered " << c.answered);
        slopeval = 2.0;
        interval = 0.0;
        std::vector<unsigned char> sent;
        // Once the command waits for its reply: the late frame, taken (the
        // flag the send cleared set again) before the reply comes.
        const auto waits = [&] { return order == c.code && replyWaits > 0; };
        When(context, waits, [&] {
            sent = peer.read(36, 200);
            peer.write(Frame(0xAA, 8, {3189, 5003, 1814}));
            PumpUntil([] { return rx_flag == 1; });
            if (c.answered) peer.write(Frame(0xAA, unsigned(c.code), {2048, 30007}));
        });
        c.click();
        ASSERT_EQ(sent.size(), 36u);
        EXPECT_EQ(sent[3], c.code);
        EXPECT_EQ(Status(), c.text);
        if (c.code == CAL) {
            EXPECT_EQ(intersect, c.answered ? 30007 : 30000);
        }
    }
}

// No reply: activation changes nothing and starts no loop; save keeps the new
// words unshown; stop still closes everything; teach and reset say so (a
// teach once kept "New setpoint value teached!"). Waits out five time-outs.
TEST_F(Calib, NoReplyToAnyCommand) {
    sim::Config config = InstantConfig("t1");
    config.faults.ignore = {CAL, 6, 11};
    Connect(config);
    const u16 setPoint = tVal;
    const double shown = PopupReal(POPUP_NUMSlope);
    After(context, kHangCeiling * TimeFactor(),
          [] { stop_flag = 1; }); // ends a wrongly started loop
    const double t0 = Timer();
    Activate();
    EXPECT_EQ(Frames(8), 0) << "no loop started";
    EXPECT_LT(Timer() - t0, 5 * TIMEOUT * TimeFactor()) << "one reply time-out";
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(Workflow() + char('0' + calstep), "/3");

    slopeval = 2.5;
    interval = 10.0;
    flagstep1 = flagstep2 = 1;
    SetCtrlAttribute(pPopup, POPUP_ButtonSaveCalValues, ATTR_DIMMED, 0);
    Save();
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(slope * 65536u + intersect, 2560u * 65536 + 30010);
    EXPECT_EQ(PopupReal(POPUP_NUMSlope), shown);
    EXPECT_EQ(Workflow() + char('0' + flagstep1 + flagstep2), "/2");

    DisplayPanel(pPopup);
    Tick(POPUP_CheckStep1);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "");
    Discard();
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(Workflow() + char('0' + flagstep1 + flagstep2), "/0");
    EXPECT_FALSE(PopupShown());
    EXPECT_EQ(stop_flag, 1);

    Teach();
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(tVal, setPoint);
    ResetAnalog();
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    const std::vector<int> f = sensor->framesReceived();
    EXPECT_EQ(std::vector<int>(f.end() - 5, f.end()), (std::vector<int>{CAL, CAL, CAL, 6, 11}))
        << "no read-back after an unanswered teach";
}

TEST_F(Calib, TeachAndResetWithASensor) {
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    config.faults.delay = 0.2; // the replies come while the program waits
    Connect(config);
    eMode = 0; // the left edge: not the factory set-point
    CopyVarsToPP();
    SendFrame(1, pp, ANSWER_NONE); // write RAM: not answered
    const unsigned before = tVal;
    // What each command shows while it waits for its reply.
    std::string waiting;
    const auto awaited = [&](int code) {
        const auto waits = [code] { return order == code && replyWaits > 0; };
        When(context, waits, [&] { waiting = Status(); });
    };
    awaited(6); // the teach goes out once the write has had its 0.1 s to leave
    Teach();
    EXPECT_EQ(waiting, "New setpoint value teached!");
    EXPECT_NE(sensor->ram()[8], before);
    EXPECT_EQ(tVal, sensor->ram()[8]);
    EXPECT_EQ(ControlText(pHandle, PANEL_NEDITSetpoint), std::to_string(tVal));
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");

    awaited(11);
    anaMax = 11;
    ResetAnalog();
    EXPECT_EQ(waiting, "Reset Max/Min values...");
    EXPECT_EQ(Status(), "Reset of analog-output Max/Min OK!");
    EXPECT_EQ(anaMax, 11) << "max and min change with the next measurement only";
    const std::vector<int> f = sensor->framesReceived();
    EXPECT_EQ(std::vector<int>(f.end() - 3, f.end()), (std::vector<int>{6, 2, 11}));
}

// The whole calibration inside the run loop. The still object measures two
// sizes as the threshold moves its edges within their ramps; after the save
// the sensor reports each at its known size, within what the cut words lose.
TEST_F(Calib, CalibrationMakesTheSensorReportTheObjectsSizes) {
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    Connect(config);
    average = 1024; // next to no edge jitter
    const int sizes[2] = {6000, 6300};
    SetCtrlVal(pPopup, POPUP_NUMUmObject1, sizes[0]);
    SetCtrlVal(pPopup, POPUP_NUMUmObject2, sizes[1]);
    const u16 thresholds[2] = {100, 650};
    struct {
        unsigned m;
        int um;
    } again[2] = {};
    const std::function<void()> steps[] = {
        [&] { vThd = thresholds[0]; },
        [&] {
            Tick(POPUP_CheckStep1);
            CC_ButtonAcceptObject1(pPopup, 0, EVENT_COMMIT, nullptr, 0, 0);
            vThd = thresholds[1];
        },
        [&] {
            Tick(POPUP_CheckStep2);
            CC_ButtonAcceptObject2(pPopup, 0, EVENT_COMMIT, nullptr, 0, 0);
            Fit();
            Save();
            vThd = thresholds[0];
        },
        [&] {
            again[0] = {Mvalue, umValue}, vThd = thresholds[1];
        },
        [&] {
            again[1] = {Mvalue, umValue}, Discard();
        },
    };
    // Each step once the loop has taken three more replies: the request after
    // a change of the threshold carries it, and the reply to that one
    // measures with it.
    size_t next = 0;
    unsigned mark = in0;
    const auto ready = [&] { return in0 >= mark + 3; };
    std::function<void()> step = [&] {
        mark = in0;
        steps[next++]();
        if (next < std::size(steps)) When(context, ready, step);
    };
    When(context, ready, step);
    After(context, kHangCeiling * TimeFactor(), Discard); // ends a loop that stopped taking replies
    Activate();
    ASSERT_EQ(next, std::size(steps));
    ASSERT_GE(pixel[1] - pixel[0], 10.0) << "two sizes to fit";
    EXPECT_EQ(sensor->ram()[12], slope);
    EXPECT_EQ(sensor->ram()[13], intersect);
    for (int i = 0; i < 2; i++) {
        // The slope word loses up to 1/1024 per unit measured, the offset word
        // and the sensor's own cut up to 1 each.
        EXPECT_NEAR(again[i].m, pixel[i], 3.0);
        const double lost = again[i].m / 1024.0 + 2 + std::fabs(slopeval * (again[i].m - pixel[i]));
        EXPECT_NEAR(again[i].um, sizes[i], lost) << "measured " << again[i].m;
    }
}

} // namespace
