// The calibration window against the simulated sensor: the workflow's state
// table, the words written and shown, fits without words, no reply, and a
// whole calibration inside the run loop.
#include "calibtest.h"

#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "main/controls.h"
#include "main/params.h"
#include "main/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "popup/calibration.h"
#include "ptypeer.h"
#include "simharness.h"
#include "uiharness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int CAL = 12; // calibration command code

class Calibration : public ::testing::Test {
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
    static long Count(const std::vector<int> &codes, int code) {
        return std::count(codes.begin(), codes.end(), code);
    }
    PortFolder folder;
    QObject context;
};

// One user action and what the window and the flags show after it.
struct Step {
    char action;          // A activate, 1/2 tick a box, u untick box 2, a/b take object 1/2, f fit
    const char *operable; // workflow controls operable afterwards (see Operable())
    const char *ticked;   // step boxes ticked afterwards
    int flag1, flag2, calstep;
};

struct Scenario {
    const char *name;
    std::vector<Step> steps; // the first is always the activation that starts the loop
};

void Perform(char action) {
    switch (action) {
    case 'A': Activate(); break;
    case '1': Tick(POPUP_CheckStep1, 1); break;
    case '2': Tick(POPUP_CheckStep2, 1); break;
    case 'u': Tick(POPUP_CheckStep2, 0); break;
    case 'a': Take(1); break;
    case 'b': Take(2); break;
    case 'f': Fit(); break;
    case 's': Save(); break;
    }
}

TEST_F(Calibration, WorkflowFollowsTheStateTableInsideTheRunLoop) {
    const Scenario scenarios[] = {
        {"normal path",
         {{'A', "12", "", 0, 0, 0},
          {'1', "12a", "1", 0, 0, 0},
          {'a', "2", "", 1, 0, 1},
          {'2', "2b", "2", 1, 0, 1},
          {'b', "f", "", 1, 1, 2},
          {'f', "s", "", 1, 1, 2},
          {'s', "", "", 0, 0, 0}}},
        {"objects in the other order",
         {{'A', "12", "", 0, 0, 0},
          {'2', "12b", "2", 0, 0, 0},
          {'b', "1", "", 0, 1, 2},
          {'1', "1a", "1", 0, 1, 2},
          {'a', "f", "", 1, 1, 1},
          {'f', "s", "", 1, 1, 1}}},
        {"re-activation keeps the flags",
         {{'A', "12", "", 0, 0, 0},
          {'1', "12a", "1", 0, 0, 0},
          {'a', "2", "", 1, 0, 1},
          {'A', "12", "", 1, 0, 0},
          {'1', "12a", "1", 1, 0, 0},
          {'a', "2", "", 1, 0, 1},
          {'2', "2b", "2", 1, 0, 1},
          {'b', "f", "", 1, 1, 2}}},
        {"one box at a time",
         {{'A', "12", "", 0, 0, 0},
          {'1', "12a", "1", 0, 0, 0},
          {'2', "12b", "2", 0, 0, 0},
          {'u', "12", "", 0, 0, 0},
          {'1', "12a", "1", 0, 0, 0}}},
    };
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    SetCtrlVal(pPopup, POPUP_NUMUmObject1, 1000);
    SetCtrlVal(pPopup, POPUP_NUMUmObject2, 1100);

    for (const Scenario &sc : scenarios) {
        SCOPED_TRACE(sc.name);
        DisplayPanel(pPopup);
        SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 1);
        int checked = 0;
        After(context, 0.05, [&] {
            ASSERT_EQ(loopActive, 1) << "the activation runs the loop";
            for (size_t i = 0; i < sc.steps.size(); i++) {
                const Step &s = sc.steps[i];
                // Objects measured at 800 and 900, of 1000 and 1100 um: a line with words.
                Mvalue = s.action == 'a' ? 800 : 900;
                if (i > 0) Perform(s.action);
                SCOPED_TRACE(testing::Message() << "step " << i << " '" << s.action << "'");
                EXPECT_EQ(Operable(), s.operable);
                EXPECT_EQ(Ticked(), s.ticked);
                EXPECT_EQ(flagstep1, s.flag1);
                EXPECT_EQ(flagstep2, s.flag2);
                EXPECT_EQ(calstep, s.calstep);
                checked++;
            }
            Discard();
        });
        Activate();
        EXPECT_EQ(checked, int(sc.steps.size()));
        // Stop, whatever the state: loop ended, workflow closed, window hidden.
        EXPECT_EQ(loopActive, 0);
        EXPECT_EQ(stop_flag, 1);
        EXPECT_EQ(Operable(), "");
        EXPECT_EQ(Ticked(), "");
        EXPECT_EQ(flagstep1 + flagstep2, 0);
        EXPECT_EQ(calstep, sc.steps.back().calstep) << "stop leaves calstep";
        EXPECT_FALSE(PopupShown());
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Calibration stopped successfully!");
        int toggle = 1;
        GetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, &toggle);
        EXPECT_EQ(toggle, 0);
        EXPECT_FALSE(sensor.thread().Inspect([](const sim::Sensor &s) { return s.Calibrating(); }));
    }
}

// The fitted line's words: cut toward zero (the offset after adding 30000),
// m by CCD type; the window then shows the words the sensor answers with.
TEST_F(Calibration, SaveWritesTheTruncatedWordsAndShowsTheSensorsOwn) {
    struct Case {
        const char *preset;
        double slopeval, interval;
        unsigned slopeWord, offsetWord;
        double shownSlope, shownOffset;
    };
    const double s0 = 14000.0 / 421; // the line through (241, 7960) and (662, 21960)
    const Case cases[] = {
        {"t1", s0, 7960 - 241 * s0, 34052, 29945, 34052 / 1024.0, -55},
        {"t1", 2.0 + 0.9 / 1024, 54.75, 2048, 30054, 2.0, 54},
        {"t1", 0.0, -30000.0, 0, 0, 0.0, -30000},
        {"t1", 65535.9 / 1024, 35535.9, 65535, 65535, 65535 / 1024.0, 35535},
        {"t104", 1.5, -0.5, 768, 29999, 1.5, -1},
        {"t104", s0, 7960 - 241 * s0, 17026, 29945, 17026 / 512.0, -55},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.preset << " slope " << c.slopeval);
        SimulatedSensor sensor(InstantConfig(c.preset), 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        slopeval = c.slopeval;
        interval = c.interval;
        eMode = 4;
        oldMode = 3;
        flagstep1 = flagstep2 = 1;
        SetCtrlAttribute(pPopup, POPUP_ButtonSaveCalValues, ATTR_DIMMED, 0);
        Save();
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus),
                  "New Calibration values in activated in RAM!");
        const sim::Words ram = sensor.ram();
        EXPECT_EQ(ram[12], c.slopeWord);
        EXPECT_EQ(ram[13], c.offsetWord);
        EXPECT_EQ(slope, c.slopeWord);
        EXPECT_EQ(intersect, c.offsetWord);
        EXPECT_EQ(PopupReal(POPUP_NUMSlope), double(float(c.shownSlope)));
        EXPECT_EQ(PopupReal(POPUP_NUMIntersect), c.shownOffset);
        EXPECT_EQ(eMode, 3);
        EXPECT_EQ(flagstep1 + flagstep2 + calstep, 0);
        EXPECT_EQ(Operable(), "");
        sensor.stop();
        CloseCom(com);
    }
}

// A CCD type 104 sensor's slope word is its factor times 512: shown so after
// activation and stop, as after a save.
TEST_F(Calibration, CcdType104ShowsTheSlopeWordOver512) {
    SimulatedSensor sensor(InstantConfig("t104"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    ASSERT_EQ(ccdtype, 104);
    const unsigned word = sensor.ram()[12];
    ASSERT_NE(word, 1024u);
    double activated = 0;
    After(context, 0.05, [&] {
        activated = PopupReal(POPUP_NUMSlope);
        SetCtrlVal(pPopup, POPUP_NUMSlope, 1.0);
        Discard();
    });
    Activate();
    EXPECT_EQ(activated, word / 512.0);
    EXPECT_EQ(PopupReal(POPUP_NUMSlope), word / 512.0);
}

// Lines that have no calibration words are not sent; the objects can be
// taken again and fitted anew.
TEST_F(Calibration, FitWithoutWordsIsRefusedAndTheObjectsCanBeTakenAgain) {
    struct Case {
        const char *name;
        int ccd;
        double p1, p2, u1, u2;
        bool words;
    };
    const Case cases[] = {
        {"equal measured values", 1, 500, 500, 1000, 2000, false},
        {"falling line", 1, 500, 600, 2000, 1000, false},
        {"factor 64 with m 1024", 1, 500, 501, 32000, 32064, false},
        {"factor 100 with m 512", 104, 500, 501, 50000, 50100, true},
        {"factor 128 with m 512", 104, 500, 501, 64000, 64128, false},
        {"offset below -30000", 1, 1000, 1100, 100, 6100, false},
        {"offset from 35536 on", 1, 100, 200, 35636, 35736, false},
        {"offset 35535", 1, 100, 200, 35635, 35735, true},
    };
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const u16 slopeBefore = slope, offsetBefore = intersect;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ccdtype = u16(c.ccd);
        SetCtrlVal(pHandle, PANEL_TEXTStatus, "");
        SetCtrlVal(pPopup, POPUP_NUMUmObject1, int(c.u1));
        SetCtrlVal(pPopup, POPUP_NUMUmObject2, int(c.u2));
        Mvalue = u16(c.p1);
        Take(1);
        Mvalue = u16(c.p2);
        Take(2);
        Fit();
        if (c.words) {
            EXPECT_EQ(Operable(), "s");
            continue;
        }
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Calibration values out of range!");
        EXPECT_EQ(Operable(), "12");
        Save(); // even if it were reached: nothing goes out
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Calibration values out of range!");
        EXPECT_EQ(slope, slopeBefore);
        EXPECT_EQ(intersect, offsetBefore);
        // Either object taken anew reopens the fit (the other still counts).
        Tick(POPUP_CheckStep1, 1);
        Mvalue = 1000;
        SetCtrlVal(pPopup, POPUP_NUMUmObject1, 1000);
        Take(1);
        EXPECT_EQ(Operable(), "2f");
        Tick(POPUP_CheckStep2, 1);
        Mvalue = 2000;
        SetCtrlVal(pPopup, POPUP_NUMUmObject2, 2000);
        Take(2);
        EXPECT_EQ(Operable(), "f");
        Fit();
        EXPECT_EQ(Operable(), "s");
    }
    EXPECT_EQ(Count(sensor.framesReceived(), CAL), 0);
}

// No reply: activation changes nothing and starts no loop; a save keeps the
// new words unshown; a stop still closes everything. Waits out three time-outs.
TEST_F(Calibration, NoReplyToTheCalibrationCommands) {
    sim::Config config = InstantConfig("t1");
    config.faults.ignore = {CAL};
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const u16 slopeBefore = slope;
    const double shownBefore = PopupReal(POPUP_NUMSlope);

    double t0 = Timer();
    Activate();
    EXPECT_NEAR(Timer() - t0, 1.5, 0.3) << "no loop started";
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout-RS-232...");
    EXPECT_EQ(Operable(), "");
    EXPECT_EQ(calstep, 3);
    EXPECT_EQ(slope, slopeBefore);

    slopeval = 2.5;
    interval = 10.0;
    flagstep1 = flagstep2 = 1;
    calstep = 2;
    SetCtrlAttribute(pPopup, POPUP_ButtonSaveCalValues, ATTR_DIMMED, 0);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "");
    Save();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout-RS-232...");
    EXPECT_EQ(slope, 2560);
    EXPECT_EQ(intersect, 30010);
    EXPECT_EQ(PopupReal(POPUP_NUMSlope), shownBefore);
    EXPECT_EQ(flagstep1 + flagstep2, 2);
    EXPECT_EQ(calstep, 2);
    EXPECT_EQ(Operable(), "");

    DisplayPanel(pPopup);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 1);
    SetCtrlAttribute(pPopup, POPUP_CheckStep1, ATTR_DIMMED, 0);
    SetCtrlVal(pPopup, POPUP_CheckStep1, 1);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "");
    Discard();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout-RS-232...");
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(PopupShown());
    EXPECT_EQ(Operable(), "");
    EXPECT_EQ(Ticked(), "");
    EXPECT_EQ(flagstep1 + flagstep2, 0);
    EXPECT_EQ(calstep, 2);
    EXPECT_EQ(Count(sensor.framesReceived(), CAL), 3);
}

// A calibration command while another waits for its reply is refused: it
// would take over the line, and an activation would start the run loop inside
// the other's wait.
TEST_F(Calibration, CommandWhileAnotherWaitsIsRefused) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.3;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    int loopSeen = -1;
    std::string text;
    After(context, 0.1, [&] {
        Activate();
        loopSeen = loopActive;
        text = ControlText(pHandle, PANEL_TEXTStatus);
    });
    Discard();
    EXPECT_EQ(loopSeen, 0);
    EXPECT_EQ(text, BUSY_TEXT);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Calibration stopped successfully!");
    EXPECT_EQ(Count(sensor.framesReceived(), CAL), 1);
}

// The flush before a send cannot stop a reply that is still on its way:
// inside the run loop the answer to the last measurement request can arrive
// after a calibration or reset frame left. Taken for that command's reply,
// its edge positions would become slope and offset, and a reset would be
// reported done. Here a peer answers each command with such a late frame
// first, then (or not) with the reply. Waits out two time-outs.
TEST_F(Calibration, LateReplyToAnotherCommandIsNotTaken) {
    struct Case {
        const char *name;
        void (*click)();
        int code;
        bool answered;
        const char *text;
    };
    const Case cases[] = {
        {"save answered", Save, CAL, true, "New Calibration values in activated in RAM!"},
        {"save unanswered", Save, CAL, false, "Timeout-RS-232..."},
        {"reset answered", ResetAnalog, 11, true, "Reset of analog-output Max/Min OK!"},
        {"reset unanswered", ResetAnalog, 11, false, "Timeout-RS-232..."},
    };
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    folder.link(1, peer.device());
    com = 1;
    ASSERT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(1, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        slopeval = 2.0;
        interval = 0.0;
        slope = 1024;
        intersect = 30000;
        std::vector<unsigned char> sent;
        After(context, 0.05, [&] {
            sent = peer.read(36, 200);
            peer.write(Frame(0xAA, 8, {3189, 5003, 1814, 9, 0}));
            PumpFor(0.05); // the late frame is taken before the reply comes
            if (c.answered) peer.write(Frame(0xAA, unsigned(c.code), {2048, 30007}));
        });
        c.click();
        ASSERT_EQ(sent.size(), 36u);
        EXPECT_EQ(sent[3], c.code);
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), c.text);
        if (c.click == Save) {
            // Answered: the reply's words; unanswered: the new words, never the edges.
            EXPECT_EQ(slope, 2048);
            EXPECT_EQ(intersect, c.answered ? 30007 : 30000);
        }
    }
}

// The whole calibration as a user does it, inside the run loop: two objects
// of different measured size (the threshold moves the edges of the still
// object within their ramps), fit, save. The sensor's micrometre value then
// matches the objects' sizes within what the cut words lose.
TEST_F(Calibration, CalibrationMakesTheSensorReportTheObjectsSizes) {
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    average = 1024; // next to no edge jitter: the objects measure steadily
    const int size1 = 6000, size2 = 6300;
    SetCtrlVal(pPopup, POPUP_NUMUmObject1, size1);
    SetCtrlVal(pPopup, POPUP_NUMUmObject2, size2);
    DisplayPanel(pPopup);
    const u16 lowThreshold = 100, highThreshold = 650;

    struct Reading {
        unsigned m = 0;
        int um = 0;
    } again1, again2;
    std::string saved;
    After(context, 0.1, [&] { vThd = lowThreshold; });
    After(context, 0.3, [&] {
        Tick(POPUP_CheckStep1, 1);
        Take(1);
        vThd = highThreshold;
    });
    After(context, 0.5, [&] {
        Tick(POPUP_CheckStep2, 1);
        Take(2);
        Fit();
        Save();
        saved = ControlText(pHandle, PANEL_TEXTStatus);
        vThd = lowThreshold;
    });
    After(context, 0.7, [&] {
        again1 = {Mvalue, umValue};
        vThd = highThreshold;
    });
    After(context, 0.9, [&] {
        again2 = {Mvalue, umValue};
        Discard();
    });
    Activate();
    ASSERT_EQ(saved, "New Calibration values in activated in RAM!");
    ASSERT_GE(pixel[1] - pixel[0], 10.0) << "two sizes to fit";
    EXPECT_EQ(sensor.ram()[12], slope);
    EXPECT_EQ(sensor.ram()[13], intersect);

    // Each word loses less than one step: the slope up to one 1/1024 per unit
    // of the measured value, the offset up to 1; the sensor cuts once more.
    const double m = 1024;
    for (const auto &[r, size, taken] :
         {std::tuple{again1, size1, pixel[0]}, std::tuple{again2, size2, pixel[1]}}) {
        SCOPED_TRACE(size);
        EXPECT_NEAR(r.m, taken, 3.0);
        const double lost = r.m / m + 2 + std::fabs(slopeval * (r.m - taken));
        EXPECT_LE(std::fabs(r.um - size), lost) << "measured " << r.m << " um " << r.um;
        EXPECT_GT(r.um, 0);
    }
}

} // namespace
