// Send and Get against the simulated sensor: command codes, where the words
// land, the keyboard, and the guard against a second command during a wait.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "window/controls.h"
#include "main/live.h"
#include "main/params.h"
#include "main/teach.h"
#include "paramstest.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "uiharness.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

namespace {

// Runs action once, inside whatever pumps events, as soon as the program
// waits for the line (a reply wait or a line wait of the send path); looks
// die with context.
void WhenLineWaits(QObject &context, std::function<void()> action) {
    auto *look = new QTimer(&context);
    QObject::connect(look, &QTimer::timeout, [look, action] {
        if (replyWaits <= 0) return;
        look->stop();
        action();
    });
    look->start(1);
}

class Exchange : public ParamsTest {
  protected:
    // A sensor on COM1, linked through the start-up chain (4 frames).
    void Connect(sim::Config config = InstantConfig("t1")) {
        sensor = std::make_unique<SimulatedSensor>(config, 1, ports);
        ASSERT_TRUE(sensor->ok()) << sensor->error();
        InitRS232(1);
        ASSERT_EQ(FramesAfterWait(*sensor, 4).size(), 4u);
    }
    void Choose(int button, CtrlCallbackPtr callback) {
        SetCtrlVal(pHandle, button, 1);
        callback(pHandle, button, EVENT_VAL_CHANGED, nullptr, 0, 0);
    }
    std::vector<int> NewFrames(std::size_t count) {
        std::vector<int> all = FramesAfterWait(*sensor, 4 + count);
        return std::vector<int>(all.begin() + 4, all.end());
    }
    std::unique_ptr<SimulatedSensor> sensor;
};

TEST_F(Exchange, SendWritesTheWindowIntoRamOrEeprom) {
    Connect();
    const struct {
        int button;
        CtrlCallbackPtr callback;
        Words words;
        int code;
        bool eeprom;
    } rows[] = {
        {PANEL_RBTRam, CC_RBTRam, SetA(), 1, false},
        {PANEL_RBTEeprom, CC_RBTEeprom, SetB(), 3, true},
    };
    std::size_t sent = 0;
    for (const auto &row : rows) {
        const Words ram = SensorRam(*sensor), eeprom = SensorEeprom(*sensor);
        Choose(row.button, row.callback);
        ShowInWindow(row.words, SetA() == row.words ? SetB() : SetA()); // unsent edits
        SetStatus("idle");
        const unsigned framesBefore = frameCount;
        CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
        EXPECT_EQ(frameCount, framesBefore + 1) << "a run loop must see the line taken";
        EXPECT_EQ(NewFrames(++sent).back(), row.code);
        EXPECT_EQ(Status(), "Line Ok!");
        EXPECT_EQ(SensorRam(*sensor), row.eeprom ? ram : row.words) << row.code;
        EXPECT_EQ(SensorEeprom(*sensor), row.eeprom ? row.words : eeprom) << row.code;
    }
    EXPECT_EQ(NewFrames(2), (std::vector<int>{1, 3}));
}

TEST_F(Exchange, GetFetchesFromRamOrEeprom) {
    Connect();
    // Different words in the two memories: EEPROM holds A, RAM holds B.
    Choose(PANEL_RBTEeprom, CC_RBTEeprom);
    ShowInWindow(SetA(), SetA());
    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    Choose(PANEL_RBTRam, CC_RBTRam);
    ShowInWindow(SetB(), SetB());
    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    ASSERT_EQ(NewFrames(2), (std::vector<int>{3, 1}));

    const struct {
        int button;
        CtrlCallbackPtr callback;
        int code;
        Words words;
    } rows[] = {
        {PANEL_RBTEeprom, CC_RBTEeprom, 4, SetA()},
        {PANEL_RBTRam, CC_RBTRam, 2, SetB()},
    };
    std::size_t sent = 2;
    for (const auto &row : rows) {
        Choose(row.button, row.callback);
        Words edited = row.words;
        edited[0] = 999; // an unsent edit the fetch replaces
        ShowInWindow(edited, edited);
        CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(NewFrames(++sent).back(), row.code);
        EXPECT_EQ(Variables(), row.words) << row.code;
        EXPECT_EQ(WindowWords(), row.words) << row.code;
        EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    }
}

// Regression: the fetch's flush of the output queue used to take with it a
// Send still on its way (on the pseudo-terminal, what the sensor has not read
// yet), and the sensor never saw the new set. The sensor stops reading, so
// Send's frame is still in the line when Get starts, and reads on only once
// Get waits for the line: Get's frame must not be written before that.
TEST_F(Exchange, GetRightAfterSendLetsTheSentFrameLeave) {
    Connect();
    Choose(PANEL_RBTRam, CC_RBTRam);
    ShowInWindow(SetA(), SetA());
    sensor->thread().StopReading();
    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    const unsigned sent = frameCount;
    unsigned framesAtResume = 0;
    QObject context;
    WhenLineWaits(context, [&] {
        framesAtResume = frameCount;
        sensor->thread().ResumeReading();
    });
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(framesAtResume, sent) << "Get wrote its frame before the line was free";
    EXPECT_EQ(NewFrames(2), (std::vector<int>{1, 2}));
    EXPECT_EQ(Variables(), SetA());
    EXPECT_EQ(SensorRam(*sensor), SetA());
}

// A command started inside the run loop while the loop's reply is half-way
// on the line lets that reply finish before its flush, which would take the
// reply's head and leave its tail in front of the command's own reply. The
// sensor holds the tail until the command waits for the line; the command's
// frame must not leave before that.
TEST_F(Exchange, ACommandInsideTheRunLetsAHalfSentReplyFinish) {
    sim::Config config = InstantConfig("t1");
    config.faults.holdAnswer = 5; // the run's first reply, behind the start-up chain's four
    config.faults.holdByte = 20;
    Connect(config);
    QObject context;
    unsigned framesBefore = 0, framesAtRelease = 0;
    std::string resetStatus;
    WhenSensorHolds(context, sensor->thread(), [&] {
        framesBefore = frameCount;
        WhenLineWaits(context, [&] {
            framesAtRelease = frameCount;
            sensor->thread().ReleaseHeld();
        });
        CC_ButtonReset(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
        resetStatus = Status();
        CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    });
    CC_BTNRun(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(framesAtRelease, framesBefore) << "the reset left before the reply was whole";
    EXPECT_EQ(resetStatus, "Reset of analog-output Max/Min OK!");
    const std::vector<int> frames = NewFrames(2); // a fresh run request may follow
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(std::vector<int>(frames.begin(), frames.begin() + 2),
              (std::vector<int>{CODE_RUN, CODE_RESET_ANALOG}));
}

// The real button: a mouse click sends one frame, and so do Space and Return
// (they sent nothing while only a mouse press raised the press's event).
TEST_F(Exchange, SendActsOnTheMouseAndTheKeyboard) {
    Connect();
    DisplayPanel(pHandle);
    auto *send = Widget<QPushButton>("BTNSend");
    ASSERT_NE(send, nullptr);
    const struct {
        const char *what;
        void (*press)(QPushButton *);
        std::size_t frames;
    } rows[] = {
        {"Space", [](QPushButton *b) { QTest::keyClick(b, Qt::Key_Space); }, 1},
        {"Return", [](QPushButton *b) { QTest::keyClick(b, Qt::Key_Return); }, 1},
        {"mouse", [](QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }, 1},
    };
    std::size_t total = 0;
    for (const auto &row : rows) {
        SetStatus("idle");
        SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
        send->setFocus();
        row.press(send);
        PumpFor(0.2);
        total += row.frames;
        EXPECT_EQ(NewFrames(total).size(), total) << row.what;
        EXPECT_EQ(Status(), row.frames ? "Line Ok!" : "idle") << row.what;
    }
    EXPECT_EQ(NewFrames(total), (std::vector<int>{1, 1, 1}));
    HidePanel(pHandle);
}

// Send and Get pressed while a fetch waits for its reply are not started and
// say why; the fetch then ends as usual. The sensor holds the fetch's reply
// back until both have been pressed.
TEST_F(Exchange, NothingStartsWhileAReplyIsAwaited) {
    sim::Config config = InstantConfig("t1");
    config.faults.holdAnswer = 5; // the fetch's reply, behind the start-up chain's four
    config.faults.holdByte = 0;
    Connect(config);
    std::string sendStatus, getStatus;
    QObject context;
    WhenSensorHolds(context, sensor->thread(), [&] {
        CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
        sendStatus = Status();
        CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
        getStatus = Status();
        sensor->thread().ReleaseHeld();
    });
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(sendStatus, BUSY_TEXT);
    EXPECT_EQ(getStatus, BUSY_TEXT);
    EXPECT_LT(sizeof(BUSY_TEXT), 72u);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(NewFrames(1), std::vector<int>{2}) << "only the first fetch went out";

    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(NewFrames(2), (std::vector<int>{2, 1})) << "free again once the reply came";
}

} // namespace
