// Send and Get against the simulated sensor: command codes, where the words
// land, the keyboard, and the guard against a second command during a wait.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "window/controls.h"
#include "main/params.h"
#include "paramstest.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "uiharness.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

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

// The real button: a mouse click sends one frame; Space and Return (a commit
// without a click) send nothing.
// Regression: the fetch's flush of the output queue used to take with it a
// Send still on its way, about one time in ten on the pseudo-terminal, and
// the sensor never saw the new set.
TEST_F(Exchange, GetRightAfterSendLetsTheSentFrameLeave) {
    Connect();
    Choose(PANEL_RBTRam, CC_RBTRam);
    std::vector<int> expected;
    for (int round = 0; round < 20; round++) {
        const Words words = round % 2 ? SetA() : SetB();
        ShowInWindow(words, words);
        CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
        CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
        expected.insert(expected.end(), {1, 2});
        ASSERT_EQ(Variables(), words) << "round " << round;
    }
    EXPECT_EQ(NewFrames(expected.size()), expected);
}

TEST_F(Exchange, SendActsOnTheMouseOnly) {
    Connect();
    DisplayPanel(pHandle);
    auto *send = Widget<QPushButton>("BTNSend");
    ASSERT_NE(send, nullptr);
    const struct {
        const char *what;
        void (*press)(QPushButton *);
        std::size_t frames;
    } rows[] = {
        {"Space", [](QPushButton *b) { QTest::keyClick(b, Qt::Key_Space); }, 0},
        {"Return", [](QPushButton *b) { QTest::keyClick(b, Qt::Key_Return); }, 0},
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
    EXPECT_EQ(NewFrames(total), std::vector<int>{1});
    HidePanel(pHandle);
}

// Send and Get pressed while a fetch waits for its reply are not started and
// say why; the fetch then ends as usual.
TEST_F(Exchange, NothingStartsWhileAReplyIsAwaited) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.3;
    Connect(config);
    std::string sendStatus, getStatus;
    QTimer::singleShot(100, [&] {
        CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
        sendStatus = Status();
        CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
        getStatus = Status();
    });
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(sendStatus, BUSY_TEXT);
    EXPECT_EQ(getStatus, BUSY_TEXT);
    EXPECT_LT(sizeof(BUSY_TEXT), 72u);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    PumpFor(0.3);
    EXPECT_EQ(NewFrames(1), std::vector<int>{2}) << "only the first fetch went out";

    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(NewFrames(2), (std::vector<int>{2, 1})) << "free again once the reply came";
}

} // namespace
