// Line faults in every phase that talks to the sensor. For each phase and
// fault: the phase ends within its bound, the UI thread sleeps while it waits
// rather than spinning, the status line says what happened, the settings hold
// no value that neither the window nor the sensor gave, and choosing the port
// again against a sound sensor brings the link back.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "gui/pushget.h"
#include "window/controls.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "popup/calibration.h"
#include "simharness.h"
#include "uiharness.h"
#include "waits.h"

#include <QObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

enum Phase { AtStartup, InRun, InVideo, InCalib, InFetch };
enum Fault { Silent, Junk, Short, Extra, WrongSync, Delay14, Delay16, Hangup, Pulled };

const char *const kPhaseNames[] = {"Startup", "Run", "Video", "Calib", "Fetch"};
const char *const kFaultNames[] = {"Silent",  "Junk",    "Short",  "Extra", "WrongSync",
                                   "Delay14", "Delay16", "Hangup", "Pulled"};

// Untouched: no complete reply can come, the settings must not change.
// Taken: each setting holds the window's value or the sensor's.
enum Keep { Untouched, Taken };

struct Row {
    Phase phase;
    Fault fault;
    Keep keep;          // what may become of the settings
    const char *status; // the status line at the end of the phase ("": any)
};

// Loops are stopped after kStopAt s unless a time-out ends them first; the
// 1.4-s rows need two replies and get longer.
constexpr double kStopAt = 2.0, kStopAtSlow = 3.2;
constexpr char kFirmware[] = "FAULT-SUITE V1";

const Row kRows[] = {
    {AtStartup, Silent, Untouched, "Timeout-RS-232..."},
    // Stray bytes around the firmware block (72 + 5 bytes): no text is taken, and it says so.
    {AtStartup, Junk, Taken, "Error reading firmware-info!"},
    {AtStartup, Short, Untouched, "Timeout-RS-232..."},
    {AtStartup, Extra, Taken, "Error reading firmware-info!"},
    {AtStartup, WrongSync, Untouched, "read error - not sync byte 0xAA!"},
    {AtStartup, Delay14, Taken, kFirmware},
    {AtStartup, Delay16, Untouched, "Timeout-RS-232..."},
    {AtStartup, Hangup, Untouched, "Timeout-RS-232..."}, // the failed read stands last
    {InRun, Silent, Untouched, "Timeout RS232-Line!"},
    {InRun, Junk, Taken, "Line Ok!"},
    {InRun, Short, Taken, "Timeout RS232-Line!"},
    {InRun, Extra, Taken, "Line Ok!"},
    {InRun, WrongSync, Taken, "Line Ok!"},
    {InRun, Delay14, Taken, "Line Ok!"},
    {InRun, Delay16, Untouched, "Timeout RS232-Line!"},
    {InRun, Hangup, Taken, "Timeout RS232-Line!"},
    {InRun, Pulled, Taken, "Timeout RS232-Line!"},
    {InVideo, Silent, Untouched, "Timeout RS232-Line!"},
    {InVideo, Junk, Taken, ""},
    {InVideo, Short, Taken, "Timeout RS232-Line!"},
    {InVideo, Extra, Taken, ""},
    {InVideo, Delay16, Untouched, "Timeout RS232-Line!"},
    {InVideo, Hangup, Taken, "Timeout-RS-232 while reading 64 data-words!"},
    {InVideo, Pulled, Taken, "Timeout-RS-232 while reading 64 data-words!"},
    {InCalib, Silent, Untouched, "Timeout-RS-232..."},
    {InCalib, Junk, Taken, ""},
    {InCalib, Short, Taken, "Calibration stopped successfully!"},
    {InCalib, Delay16, Taken, "Calibration stopped successfully!"},
    {InCalib, Hangup, Taken, "Timeout-RS-232..."},
    {InFetch, Silent, Untouched, "Timeout-RS-232..."},
    {InFetch, Junk, Taken, "Parameter-frame received! - Line Ok!"},
    {InFetch, Short, Untouched, "Timeout-RS-232..."},
    {InFetch, Extra, Taken, "Parameter-frame received! - Line Ok!"},
    {InFetch, WrongSync, Taken, "Parameter-frame received! - Line Ok!"},
    {InFetch, Delay14, Taken, "Parameter-frame received! - Line Ok!"},
    {InFetch, Delay16, Untouched, "Timeout-RS-232..."},
    {InFetch, Hangup, Taken, "Parameter-frame received! - Line Ok!"},
};

sim::Config FaultyConfig(const Row &row) {
    sim::Config config = InstantConfig("t1");
    // The loops take each reply the moment it is whole, so against an
    // instant sensor they never wait and the processor bound below would
    // measure the drawing. At line pace it tells a loop that spins.
    if (row.phase == InRun || row.phase == InVideo || row.phase == InCalib) config.instant = false;
    config.firmware = kFirmware;
    sim::Faults &f = config.faults;
    switch (row.fault) {
    case Silent: f.silent = true; break;
    case Junk: f.junkBefore = 7; break;
    case Short: f.shortReply = 1; break;
    case Extra: f.extraAfter = 5; break;
    case WrongSync: f.wrongSync = true; break;
    case Delay14: f.delay = 1.4; break;
    case Delay16: f.delay = 1.6; break;
    // Start-up: the echo is answered, then the line drops; elsewhere the
    // first reply is the last. In the video loop the line drops half-way
    // through the first block (the second answer), or the cable is pulled
    // there while the rest of the block is held back.
    case Hangup:
        if (row.phase == InVideo)
            f.cutAnswer = 2, f.cutByte = 64;
        else
            f.hangupAfter = 1;
        break;
    case Pulled:
        if (row.phase == InVideo) f.holdAnswer = 2, f.holdByte = 64;
        break;
    }
    return config;
}

using Settings = std::array<unsigned, 16>;

Settings CurrentSettings() {
    CopyVarsToPP();
    Settings s{};
    for (int i = 0; i < 16; i++)
        s[i] = pp[i];
    return s;
}

// The UI thread's own processor time; the sensor thread is not counted.
double ThreadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void StopLoop() {
    CC_BTNStop(pHandle, 5, EVENT_LEFT_CLICK, nullptr, 0, 0);
}

class Faults : public ::testing::TestWithParam<Row> {
  protected:
    void SetUp() override {
        FreshStart();
        ccdsubpixel = 8192; // as identified: the window's range checks keep the values below
        // Settings the sensor does not hold, so any change shows.
        eMode = 3;
        power = 432;
        vThd = 321;
        tVal = 111;
        tTol = 7;
        eBeg = 3;
        eEnd = 900;
        CopyVarsToPP();
    }
    void TearDown() override { FreshStart(); }

    // The phase as the user starts it; loops are stopped by a timer.
    void RunPhase(const Row &row, std::unique_ptr<SimulatedSensor> &sensor) {
        const double stopAt = row.fault == Delay14 ? kStopAtSlow : kStopAt;
        if (row.fault == Pulled && row.phase == InVideo)
            WhenSensorHolds(context, sensor->thread(), [&] { sensor->stop(); });
        else if (row.fault == Pulled)
            After(context, 0.3, [&] { sensor->stop(); });
        switch (row.phase) {
        case AtStartup: InitRS232(1); break;
        case InRun:
            After(context, stopAt, StopLoop);
            CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
            break;
        case InVideo:
            pcbtype = 100;
            After(context, stopAt, StopLoop);
            CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
            break;
        case InCalib:
            // Activation runs the run loop on a reply; Stop ends it, then the
            // calibration is discarded as the user would.
            After(context, 0.5, StopLoop);
            CC_ActivateCalibration(pPopup, 3, EVENT_COMMIT, nullptr, 0, 0);
            CC_DiscardCalibration(pPopup, 4, EVENT_COMMIT, nullptr, 0, 0);
            break;
        case InFetch: PushGET(RAM); break;
        }
    }
    PortFolder folder;
    QObject context;
};

TEST_P(Faults, PhaseEndsReportsKeepsSettingsAndThePortRecovers) {
    const Row row = GetParam();
    auto sensor = std::make_unique<SimulatedSensor>(FaultyConfig(row), 1, folder);
    ASSERT_TRUE(sensor->ok()) << sensor->error();
    if (row.phase != AtStartup) {
        ASSERT_TRUE(OpenLine());
    }
    const Settings before = CurrentSettings();
    const Settings held = [&] {
        Settings s{};
        const sim::Words ram = sensor->ram();
        for (int i = 0; i < 16; i++)
            s[i] = ram[i];
        return s;
    }();

    const double cpu0 = ThreadCpuSeconds(), t0 = Timer();
    RunPhase(row, sensor);
    const double wall = Timer() - t0, cpu = ThreadCpuSeconds() - cpu0;

    EXPECT_LT(wall, 9.0 * TimeFactor());
    // A loop that spins takes the whole processor; the sanitizer build may
    // take more for the drawing, never all of it.
    EXPECT_LT(cpu, std::min(0.3 * TimeFactor(), 0.7) * wall + 0.05) << "wall " << wall << " s";
    if (row.phase == InRun || row.phase == InVideo) {
        EXPECT_EQ(stop_flag, 1);
    }
    if (*row.status) {
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), row.status);
    }
    const Settings after = CurrentSettings();
    for (int i = 0; i < 16; i++) {
        if (row.keep == Untouched) {
            EXPECT_EQ(after[i], before[i]) << "setting " << i;
        } else if (row.keep == Taken) {
            EXPECT_TRUE(after[i] == before[i] || after[i] == held[i])
                << "setting " << i << " is " << after[i] << ", neither " << before[i]
                << " (window) nor " << held[i] << " (sensor)";
        }
    }

    // The cable plugged back: a sound sensor on the same COM number, the
    // port chosen again.
    sensor.reset();
    sim::Config sound = InstantConfig("t1");
    sound.firmware = kFirmware;
    sensor = std::make_unique<SimulatedSensor>(sound, 1, folder);
    ASSERT_TRUE(sensor->ok());
    FillPortSelector();
    CC_DropDCom(pHandle, PANEL_DropDCom, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), kFirmware);
    EXPECT_EQ(power, sensor->ram()[0]);
    PushGET(RAM);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Parameter-frame received! - Line Ok!");
}

// Stop answered after an activation that never got its reply: the evaluation
// mode stays the user's, as no calibration mode was ever saved to restore.
class CalibrationStop : public Faults {};

TEST_F(CalibrationStop, AfterAnUnansweredActivationKeepsTheEvaluationMode) {
    sim::Config config = InstantConfig("t1");
    config.faults.ignore = {12};
    auto sensor = std::make_unique<SimulatedSensor>(config, 1, folder);
    ASSERT_TRUE(sensor->ok() && OpenLine());
    CC_ActivateCalibration(pPopup, 3, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout-RS-232...");
    sensor.reset();
    sensor = std::make_unique<SimulatedSensor>(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor->ok() && OpenLine());
    CC_DiscardCalibration(pPopup, 4, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Calibration stopped successfully!");
    EXPECT_EQ(eMode, 3);
}

// A reply that comes after its command gave up lands in the next command's
// wait, however the queues were flushed before it. A frame that echoes
// another code must not count: its words are no answer to the question.
class StrayReplies : public Faults {
  protected:
    void SetUp() override {
        Faults::SetUp();
        ASSERT_TRUE(peer.ok());
        folder.link(1, peer.device());
        ASSERT_TRUE(OpenLine());
    }
    PtyPeer peer;
};

constexpr unsigned kStray = 0x1234;

TEST_F(StrayReplies, AFetchPassesOverALateMeasurement) {
    Settings reply = CurrentSettings();
    reply[0] = 400;
    std::thread sensor([&] {
        const auto request = peer.read(FRAMELEN, 1000);
        if (request.size() != FRAMELEN || request[3] != 2) return;
        peer.write(Frame(0xAA, 8, std::vector<unsigned>(16, kStray)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peer.write(Frame(0xAA, 2, {reply.begin(), reply.end()}));
    });
    PushGET(RAM);
    sensor.join();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(CurrentSettings(), reply);
}

TEST_F(StrayReplies, TheRunLoopPassesOverALateParameterFrame) {
    std::vector<unsigned> measurement(16, 0);
    measurement[5] = 222; // tVal
    measurement[6] = 9;   // tTol
    std::atomic<bool> strayWentBack{false}, done{false};
    std::atomic<int> answered{0};
    std::thread sensor([&] {
        auto request = peer.read(FRAMELEN, static_cast<int>(kHangCeiling * 1000));
        if (request.size() != FRAMELEN || request[3] != 8) return;
        peer.write(Frame(0xAA, 2, std::vector<unsigned>(16, kStray)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peer.write(Frame(0xAA, 8, measurement));
        while (!done) {
            request = peer.read(FRAMELEN, 100);
            if (request.size() != FRAMELEN) continue;
            // Words 8 and 9 of a request carry tVal and tTol.
            if (unsigned(request[20] << 8 | request[21]) == kStray) strayWentBack = true;
            peer.write(Frame(0xAA, 8, measurement));
            answered++;
        }
    });
    // Stopped once three requests followed the measurement's reply; the look
    // dies before the counter it reads.
    QObject scope;
    When(
        scope, [&] { return answered >= 3; }, StopLoop);
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    done = true;
    sensor.join();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Line Ok!");
    EXPECT_EQ(tVal, 222);
    EXPECT_EQ(tTol, 9);
    EXPECT_FALSE(strayWentBack);
}

// Asking again after a frame that answers another code must not go on for
// ever: a line that brings nothing else times out as a silent one does.
TEST_F(StrayReplies, TheRunLoopTimesOutOnALineOfWrongAnswers) {
    std::atomic<bool> done{false};
    std::thread sensor([&] {
        while (!done) {
            const auto request = peer.read(FRAMELEN, 50);
            if (request.size() == FRAMELEN) peer.write(Frame(0xAA, 3, {1, 2, 3}));
        }
    });
    bool stoppedByTest = false; // only when the time-out fails
    After(context, kHangCeiling * TimeFactor(), [&] {
        stoppedByTest = true;
        StopLoop();
    });
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    done = true;
    sensor.join();
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout RS232-Line!");
    EXPECT_FALSE(stoppedByTest);
    EXPECT_EQ(stop_flag, 1);
}

// Stray bytes inside a reply shift the words behind them; the set-point and
// tolerance taken from such a frame would go back to the sensor. A reply
// that brings new ones with bytes behind it is passed over, unless the next
// reply brings the same.
TEST_F(StrayReplies, TheRunLoopKeepsASetPointThatOnlyAGarbledFrameChanged) {
    for (const bool sensorsOwn : {false, true}) {
        SCOPED_TRACE(sensorsOwn ? "the sensor's own new set-point" : "a garbled frame");
        tVal = 300;
        tTol = 20;
        auto measurement = [](unsigned setPoint, unsigned tolerance) {
            std::vector<unsigned> words(16, 0);
            words[5] = setPoint;
            words[6] = tolerance;
            return words;
        };
        std::vector<std::pair<unsigned, unsigned>> carried;
        std::atomic<int> answered{0};
        std::atomic<bool> done{false};
        std::thread sensor([&] {
            for (int n = 0; !done;) {
                const auto request = peer.read(FRAMELEN, 100);
                if (request.size() != FRAMELEN) continue;
                n++;
                // Words 8 and 9 of a request carry tVal and tTol.
                carried.emplace_back(request[20] << 8 | request[21],
                                     request[22] << 8 | request[23]);
                // The answer to the third request is the first odd one.
                if (n == 3 || (sensorsOwn && n > 3)) {
                    auto bytes = Frame(0xAA, 8, measurement(0x2A2B, 0x2C2D));
                    bytes.insert(bytes.end(), {0x2E, 0x2F, 0x30});
                    peer.write(bytes);
                } else {
                    peer.write(Frame(0xAA, 8, measurement(300, 20)));
                }
                answered = n;
            }
        });
        QObject scope; // a look not taken dies before the counter it reads
        When(
            scope, [&] { return answered >= 8; }, StopLoop);
        CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
        done = true;
        sensor.join();
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Line Ok!");
        ASSERT_GT(carried.size(), 6u);
        if (sensorsOwn) {
            EXPECT_EQ(tVal, 0x2A2B);
            EXPECT_EQ(tTol, 0x2C2D);
            // Passed over once, taken from the second such reply on.
            EXPECT_EQ(carried[2], std::make_pair(300u, 20u));
            EXPECT_EQ(carried[3], std::make_pair(300u, 20u));
            EXPECT_EQ(carried[4], std::make_pair(0x2A2Bu, 0x2C2Du));
        } else {
            EXPECT_EQ(tVal, 300);
            EXPECT_EQ(tTol, 20);
            for (const auto &c : carried)
                EXPECT_EQ(c, std::make_pair(300u, 20u));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Line, Faults, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &info) {
                             return std::string(kPhaseNames[info.param.phase]) +
                                    kFaultNames[info.param.fault];
                         });

} // namespace
