// The compare window against a sensor whose RAM and EEPROM differ: what it
// shows and marks, that fetching leaves the program as it was, the write of
// RAM into EEPROM, taking a set into the window, and the refusals.
#include "com232/com232.h"
#include "window/controls.h"
#include "main/params.h"
#include "paramsets/compare.h"
#include "paramsets/comparepanel.h"
#include "paramsets/paramtable.h"
#include "paramstest.h"
#include "platform/runtime.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/userint.h"
#include "platform/widgets/notedialog.h"
#include "testhooks.h"
#include "platform/widgets/tablectrl.h"
#include "settle.h"
#include "uiharness.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>

namespace {

class Compare : public ParamsTest {
  protected:
    // A sensor on COM1 whose EEPROM holds A and RAM holds B (written with
    // code 1, as a Send to RAM does), and a window showing neither.
    void Connect(sim::Config config = InstantConfig("t1")) {
        sensor = std::make_unique<SimulatedSensor>(config, 1, ports);
        ASSERT_TRUE(sensor->ok()) << sensor->error();
        ASSERT_NO_FATAL_FAILURE(StartWithEepromARamB(*sensor));
        ASSERT_EQ(SensorRam(*sensor), SetB());
        ASSERT_EQ(SensorEeprom(*sensor), SetA());
        window = SetA();
        window[0] = 650;
        window[2] = 250;
        ShowInWindow(window, window);
        SetStatus("idle");
        SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
        Click(CC_BTNCompare, pHandle, PANEL_BTNCompare);
        ASSERT_GT(pCompare, 0);
    }
    void TearDown() override {
        if (pCompare > 0) HidePanel(pCompare);
        ClearDialogAnswers();
        ParamsTest::TearDown();
    }
    static void Click(CtrlCallbackPtr callback, int panel, int control) {
        callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
    }
    // Column s of the table as shown, and which of its cells are marked.
    static std::vector<std::string> Column(int s, std::vector<int> *marked = nullptr) {
        std::vector<std::string> texts;
        if (marked) marked->clear();
        for (int i = 0; i < PNUM; i++) {
            std::string text;
            int mark = 0;
            EXPECT_EQ(GetTableCell(pCompare, COMPARE_TABLE, i, s, &text, &mark), 0);
            texts.push_back(text);
            if (marked && mark) marked->push_back(i);
        }
        return texts;
    }
    static std::vector<std::string> Texts(const Words &w) {
        std::vector<std::string> texts;
        for (int i = 0; i < PNUM; i++)
            texts.push_back(ParamValueText(i, u16(w[i])));
        return texts;
    }
    static std::vector<int> Differing(const Words &a, const Words &b) {
        std::vector<int> rows;
        for (int i = 0; i < PNUM; i++)
            if (a[i] != b[i]) rows.push_back(i);
        return rows;
    }
    std::string CompareStatus() const { return ControlText(pCompare, COMPARE_TEXTStatus); }
    std::vector<int> NewFrames() {
        const std::vector<int> all = sensor->framesReceived();
        return std::vector<int>(all.begin() + 6, all.end());
    }
    std::unique_ptr<SimulatedSensor> sensor;
    Words window{};
};

TEST_F(Compare, ShowsBothSetsMarksDifferencesAndLeavesTheProgramAsItWas) {
    Connect();
    EXPECT_EQ(Column(SET_WINDOW), Texts(window));
    EXPECT_EQ(Column(SET_RAM), std::vector<std::string>(PNUM)) << "nothing fetched on opening";
    EXPECT_TRUE(NewFrames().empty());

    // What the program holds before the fetch: pp, the settings, the window.
    u16 ppBefore[PNUM];
    std::memcpy(ppBefore, pp, sizeof pp);
    const Words variables = Variables();
    const int refreshBefore = graphrefresh;

    Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);
    EXPECT_EQ(CompareStatus(), COMPARE_FETCHED);
    EXPECT_EQ(NewFrames(), (std::vector<int>{2, 4}));

    std::vector<int> marked;
    EXPECT_EQ(Column(SET_RAM, &marked), Texts(SetB()));
    EXPECT_TRUE(marked.empty()) << "RAM is what the others are compared with";
    EXPECT_EQ(Column(SET_EEPROM, &marked), Texts(SetA()));
    EXPECT_EQ(marked, Differing(SetA(), SetB()));
    EXPECT_EQ(Column(SET_WINDOW, &marked), Texts(window));
    EXPECT_EQ(marked, Differing(window, SetB()));

    EXPECT_EQ(std::memcmp(pp, ppBefore, sizeof pp), 0) << "pp must hold what it held";
    EXPECT_EQ(Variables(), variables);
    EXPECT_EQ(WindowWords(), window);
    EXPECT_EQ(graphrefresh, refreshBefore);
    EXPECT_EQ(Status(), "idle");
    EXPECT_STREQ(szStatus, "idle");

    // A Send right after sends what it would have sent without the compare.
    CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    ASSERT_EQ(FramesAfterWait(*sensor, 9).size(), 9u);
    EXPECT_EQ(SensorRam(*sensor), window);
}

TEST_F(Compare, WritingRamToEepromMakesThemAgreeAfterAConfirmation) {
    Connect();
    Click(CC_BTNWriteEeprom, pCompare, COMPARE_BTNWriteEeprom);
    EXPECT_EQ(CompareStatus(), COMPARE_NO_RAM) << "nothing to write before a fetch";
    Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);

    SetConfirmDialogAnswer(0);
    Click(CC_BTNWriteEeprom, pCompare, COMPARE_BTNWriteEeprom);
    EXPECT_EQ(CompareStatus(), COMPARE_NOT_WRITTEN);
    PumpFor(0.1);
    EXPECT_EQ(NewFrames(), (std::vector<int>{2, 4})) << "No writes nothing";
    EXPECT_EQ(SensorEeprom(*sensor), SetA());

    SetConfirmDialogAnswer(1);
    Click(CC_BTNWriteEeprom, pCompare, COMPARE_BTNWriteEeprom);
    EXPECT_NE(LastConfirmQuestion().find("EEPROM"), std::string::npos);
    EXPECT_EQ(CompareStatus(), COMPARE_AGREE);
    EXPECT_EQ(NewFrames(), (std::vector<int>{2, 4, 3, 4}));
    EXPECT_EQ(SensorEeprom(*sensor), SetB());
    EXPECT_EQ(SensorRam(*sensor), SetB());

    // The simulator's own log: the code-3 frame carried the RAM words.
    std::vector<unsigned> written;
    for (const SimEvent &e : sensor->events())
        if (e.dir == "rx" && e.kind == "frame" && e.code == 3) written = e.words;
    const Words ram = SetB();
    EXPECT_EQ(written, std::vector<unsigned>(ram.begin(), ram.end()));

    std::vector<int> marked;
    EXPECT_EQ(Column(SET_EEPROM, &marked), Texts(SetB()));
    EXPECT_TRUE(marked.empty());
    EXPECT_EQ(WindowWords(), window) << "the window is not touched by the write";
}

// Take into window does what a Get from that target does.
TEST_F(Compare, TakeIntoWindowIsAGet) {
    Connect();
    Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);
    Click(CC_BTNTakeSet, pCompare, COMPARE_BTNTakeEeprom);
    const Words taken = WindowWords();
    EXPECT_EQ(Variables(), taken);

    ShowInWindow(window, window);
    SetCtrlVal(pHandle, PANEL_RBTEeprom, 1);
    CC_RBTEeprom(pHandle, PANEL_RBTEeprom, EVENT_VAL_CHANGED, nullptr, 0, 0);
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(WindowWords(), taken);
    EXPECT_EQ(taken, SetA());

    // A set out of range is brought into range as a Get would: vThd 20 -> 50.
    compareSets[SET_FILE].present = 1;
    for (int i = 0; i < PNUM; i++)
        compareSets[SET_FILE].words[i] = u16(SetB()[i]);
    compareSets[SET_FILE].words[2] = 20;
    Click(CC_BTNTakeSet, pCompare, COMPARE_BTNTakeFile);
    Words expected = SetB();
    expected[2] = 50;
    EXPECT_EQ(WindowWords(), expected);
    EXPECT_EQ(NewFrames(), (std::vector<int>{2, 4, 4})) << "taking sends nothing";
}

TEST_F(Compare, RefusedWhileALoopRunsOrAReplyIsAwaited) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.3;
    Connect(config);

    stop_flag = 0; // a run loop is under way
    Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);
    EXPECT_EQ(CompareStatus(), LOOP_REFUSAL_TEXT);
    compareSets[SET_RAM].present = 1;
    ClearDialogAnswers();
    SetConfirmDialogAnswer(1);
    Click(CC_BTNWriteEeprom, pCompare, COMPARE_BTNWriteEeprom);
    EXPECT_EQ(CompareStatus(), LOOP_REFUSAL_TEXT);
    EXPECT_EQ(LastConfirmQuestion(), "") << "refused before asking";
    ClearDialogAnswers();
    compareSets[SET_RAM].present = 0;
    stop_flag = 1;
    PumpFor(0.1);
    EXPECT_TRUE(NewFrames().empty());

    // A Get waits for its reply; the fetch pressed meanwhile is refused.
    std::string during;
    QObject context;
    When(
        context, [] { return replyWaits > 0; },
        [&] {
            Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);
            during = CompareStatus();
        });
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(during, BUSY_TEXT);
    PumpFor(0.4);
    EXPECT_EQ(NewFrames(), std::vector<int>{2}) << "only the Get went out";
}

// The main window's two buttons are named and reached by Tab, and Ctrl+K
// opens the compare window.
TEST_F(Compare, OpenedFromTheKeyboard) {
    DisplayPanel(pHandle);
    QWidget *main = FindPanel(pHandle)->window();
    for (const char *name : {"BTNCompare", "BTNReport"}) {
        auto *button = main->findChild<QPushButton *>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->shortcut().isEmpty()) << name;
        EXPECT_FALSE(button->accessibleName().isEmpty()) << name;
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << name;
    }
    if (pCompare > 0) HidePanel(pCompare);
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QWidget *focus = main->findChild<QWidget *>(QStringLiteral("NUMPower"));
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_K, Qt::ControlModifier);
    PumpUntil([] { return pCompare > 0 && FindPanel(pCompare)->window()->isVisible(); });
    ASSERT_GT(pCompare, 0);
    EXPECT_TRUE(FindPanel(pCompare)->window()->isVisible());
    HidePanel(pHandle);
}

// Tab and Shift+Tab leave the table (Tab once cycled through its cells), the
// Window column follows the main window (it once kept what it showed at
// opening while Export wrote the new value), and Escape closes the window.
TEST_F(Compare, KeyboardLeavesTheTableAndTheWindowColumnFollows) {
    Connect();
    DisplayPanel(pCompare);
    QWidget *w = FindPanel(pCompare)->window();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    auto *table = w->findChild<QWidget *>(QStringLiteral("TABLECompare"));
    ASSERT_NE(table, nullptr);
    for (Qt::KeyboardModifier shift : {Qt::NoModifier, Qt::ShiftModifier}) {
        table->setFocus();
        QTest::keyClick(table, shift ? Qt::Key_Backtab : Qt::Key_Tab, shift);
        EXPECT_NE(QApplication::focusWidget(), table) << "Shift " << bool(shift);
    }

    SetCtrlVal(pHandle, PANEL_NUMPower, 777);
    PumpUntil([] { return Column(SET_WINDOW)[0] == ParamValueText(0, 777); });
    EXPECT_EQ(Column(SET_WINDOW)[0], ParamValueText(0, 777));

    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

// The compare window with both sets fetched, for a look.
TEST_F(Compare, Screenshot) {
    Connect();
    Click(CC_BTNFetchSets, pCompare, COMPARE_BTNFetch);
    DisplayPanel(pCompare);
    QWidget *w = FindPanel(pCompare)->window();
    ASSERT_TRUE(Settle(w));
    QDir().mkpath(QStringLiteral(VTLX_SHOT_DIR));
    const QString path = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath("compare-window.png");
    EXPECT_TRUE(w->grab().save(path));
    std::printf("screenshot: %s\n", qPrintable(path));
}

} // namespace
