// The events each kind of control raises for mouse and keyboard actions, on
// real widgets (see docs/events.md), and what dimming and hiding do to them.
#include "uitest.h"

#include "testhooks.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

using Codes = std::vector<int>;

// Near the left end, where a check box or radio button has its indicator.
void Click(QWidget *w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(qMin(8, w->width() / 2), w->height() / 2));
}

} // namespace

TEST_F(PanelsTest, UserActionsRaiseTheDocumentedCodes) {
    DisplayPanel(main);
    DisplayPanel(popup);
    SetCtrlAttribute(popup, POPUP_CheckStep1, ATTR_DIMMED, 0);
    struct Case {
        const char *action;
        bool onPopup;
        int control;
        void (*act)(QWidget *);
        Codes want;
    } cases[] = {
        {"button: mouse click",
         false,
         PANEL_CTRLLoopLock1,
         Click,
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"button: press only",
         false,
         PANEL_BTNSend,
         [](QWidget *w) { QTest::mousePress(w, Qt::LeftButton, {}, w->rect().center()); },
         {EVENT_LEFT_CLICK}},
        {"button: released outside",
         false,
         PANEL_BTNStop,
         [](QWidget *w) {
             QTest::mousePress(w, Qt::LeftButton, {}, w->rect().center());
             QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-20, -20));
         },
         {EVENT_LEFT_CLICK}},
        {"button: right click",
         false,
         PANEL_CTRLLoopLock2,
         [](QWidget *w) { QTest::mouseClick(w, Qt::RightButton, {}, w->rect().center()); },
         {}},
        // A click without a mouse press raises the press's 3 too: Stop and
        // Send act on it (they did nothing from the keyboard).
        {"button: space key",
         false,
         PANEL_CTRLPostLoop,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Space); },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"button: return key",
         false,
         PANEL_ButtonTeach,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"button: enter key",
         false,
         PANEL_CTRLLoopLock1,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Enter); },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"button: its Alt letter",
         false,
         PANEL_BTNSend,
         [](QWidget *w) {
             w->window()->activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(w->window()));
             QTest::keyClick(w->window(), Qt::Key_N, Qt::AltModifier);
         },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"button: screen reader's press",
         false,
         PANEL_BTNStop,
         [](QWidget *w) {
             QAccessible::queryAccessibleInterface(w)->actionInterface()->doAction(
                 QAccessibleActionInterface::pressAction());
             // Pressed at once (3), clicked (1) once it has shown itself down.
             EXPECT_EQ(CodesOf(PANEL_BTNStop), Codes{EVENT_LEFT_CLICK});
             EXPECT_TRUE(QTest::qWaitFor([] { return CodesOf(PANEL_BTNStop).size() == 2; }, 10000));
         },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"numeric: up arrow key",
         false,
         PANEL_NUMVideoThreshold,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Up); },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"numeric: typed then Enter",
         false,
         PANEL_NEDITEdgeLeft,
         [](QWidget *w) {
             static_cast<QSpinBox *>(w)->selectAll();
             QTest::keyClicks(w, "600");
             QTest::keyClick(w, Qt::Key_Enter);
         },
         {EVENT_VAL_CHANGED, EVENT_VAL_CHANGED, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"numeric: Enter without a change",
         false,
         PANEL_NEDITEdgeRight,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Enter); },
         {}},
        {"numeric: step to the limit and beyond",
         false,
         PANEL_NEDITTolerance,
         [](QWidget *w) {
             {
                 const QSignalBlocker quiet(w);
                 static_cast<QSpinBox *>(w)->setValue(65534);
             }
             QTest::keyClick(w, Qt::Key_Up);
             QTest::keyClick(w, Qt::Key_Up);
         },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"selector: next item by key",
         false,
         PANEL_DropHardwareMode,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Down); },
         {EVENT_VAL_CHANGED}},
        {"selector: current item chosen again",
         false,
         PANEL_DropDCom,
         [](QWidget *w) {
             auto *c = static_cast<QComboBox *>(w);
             c->showPopup();
             QTest::keyClick(c->view(), Qt::Key_Return);
         },
         {EVENT_LEFT_CLICK, EVENT_COMMIT}},
        {"selector: list opened and closed",
         false,
         PANEL_DropDCom,
         [](QWidget *w) {
             auto *c = static_cast<QComboBox *>(w);
             c->showPopup();
             c->hidePopup();
         },
         {EVENT_LEFT_CLICK}},
        {"radio: click", false, PANEL_RBTEeprom, Click, {EVENT_VAL_CHANGED}},
        {"radio: click on the set one", false, PANEL_RBTRam, Click, {EVENT_VAL_CHANGED}},
        {"check box: click", true, POPUP_CheckStep1, Click, {EVENT_VAL_CHANGED}},
        {"toggle: click", false, PANEL_TOGGBTN_ParaII, Click, {EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {"toggle: space key",
         false,
         PANEL_TOGGBTN_ParaII,
         [](QWidget *w) { QTest::keyClick(w, Qt::Key_Space); },
         {EVENT_VAL_CHANGED, EVENT_COMMIT}},
    };
    for (const Case &c : cases) {
        QWidget *w = Widget(c.onPopup ? popup : main, c.control);
        ASSERT_NE(w, nullptr) << c.action;
        Recorded().clear();
        c.act(w);
        QApplication::processEvents();
        EXPECT_EQ(CodesOf(c.control), c.want) << c.action;
    }
}

// What the clicks did to the values: the radio buttons toggle on their own
// (the program keeps them exclusive), typed digits arrive whole.
TEST_F(PanelsTest, ClicksChangeTheValuesTheProgramReads) {
    DisplayPanel(main);
    Click(Widget(main, PANEL_RBTEeprom));
    Click(Widget(main, PANEL_RBTRam));
    int ram = -1, eeprom = -1;
    GetCtrlVal(main, PANEL_RBTRam, &ram);
    GetCtrlVal(main, PANEL_RBTEeprom, &eeprom);
    EXPECT_EQ(ram, 0) << "a click clears the set radio button";
    EXPECT_EQ(eeprom, 1) << "and another one does not clear it";
    EXPECT_EQ(CodesOf(PANEL_RBTRam), Codes{EVENT_VAL_CHANGED}) << "only the clicked one reports";

    Click(Widget(main, PANEL_SWITCHZoom));
    int zoom = 0;
    GetCtrlVal(main, PANEL_SWITCHZoom, &zoom);
    EXPECT_EQ(zoom, 1);
}

TEST_F(PanelsTest, DimmedControlsRaiseNothing) {
    DisplayPanel(main);
    for (int control :
         {PANEL_CTRLLoopLock1, PANEL_RBTFile, PANEL_NUMVideoThreshold, PANEL_TOGGBTN_ParaII}) {
        SetCtrlAttribute(main, control, ATTR_DIMMED, 1);
        QWidget *w = Widget(main, control);
        Recorded().clear();
        Click(w);
        QTest::keyClick(w, Qt::Key_Space);
        QTest::keyClick(w, Qt::Key_Up);
        QApplication::processEvents();
        EXPECT_TRUE(Recorded().empty()) << w->objectName().toStdString();
        EXPECT_FALSE(w->isEnabled());
    }
}

TEST_F(PanelsTest, HiddenControlsAndTheirLabelsAreNotShown) {
    DisplayPanel(main);
    QWidget *w = Widget(main, PANEL_NUMMvalue);
    ASSERT_TRUE(w->isVisible());
    SetCtrlAttribute(main, PANEL_NUMMvalue, ATTR_VISIBLE, 0);
    EXPECT_FALSE(w->isVisible());
    for (QLabel *l : w->window()->findChildren<QLabel *>())
        if (l->buddy() == w) {
            EXPECT_FALSE(l->isVisible());
        }
    SetCtrlAttribute(main, PANEL_NUMUmValue, ATTR_VISIBLE, 1);
    EXPECT_TRUE(Widget(main, PANEL_NUMUmValue)->isVisible());
}

// The window frame's close reaches the panel callback only; the panel stays.
TEST_F(PanelsTest, WindowCloseRaisesElevenAndKeepsThePanel) {
    DisplayPanel(popup);
    QWidget *win = Widget(popup, POPUP_NUMSlope)->window();
    win->close();
    EXPECT_EQ(Recorded(), (std::vector<Event>{{popup, 0, EVENT_CLOSE}}));
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(Widget(popup, POPUP_NUMSlope)->window(), win);
}

// Nothing the program writes comes back as an event.
TEST_F(PanelsTest, ProgramWritesRaiseNoEvents) {
    DisplayPanel(main);
    SetCtrlVal(main, PANEL_NUMVideoThreshold, 700);
    SetCtrlVal(main, PANEL_NEDITEdgeLeft, 3.5);
    SetCtrlVal(main, PANEL_DropHardwareMode, 2);
    SetCtrlVal(main, PANEL_DropDCom, 4);
    SetCtrlVal(main, PANEL_RBTFile, 1);
    SetCtrlVal(main, PANEL_TOGGBTN_ParaII, 1);
    SetCtrlVal(main, PANEL_SWITCHZoom, 1);
    SetCtrlVal(main, PANEL_TEXTStatus, "Line Ok!");
    SetCtrlRange(main, PANEL_NEDITTolerance, 0, 10); // coerces 100 to 10
    InsertListItem(main, PANEL_DropDCom, -1, "COM9", 9);
    // A program write is no user entry: leaving the field commits nothing.
    Widget(main, PANEL_NEDITEdgeLeft)->setFocus();
    QTest::keyClick(Widget(main, PANEL_NEDITEdgeLeft), Qt::Key_Enter);
    QApplication::processEvents();
    EXPECT_TRUE(Recorded().empty());
}

// Regression guards for callbacks that pull the ground from under the event
// that called them.
namespace {
int discardedPanel = 0;
int DiscardOwnPanel(int panel, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) {
        DiscardPanel(panel);
        discardedPanel = panel;
    }
    return 0;
}
int OpenFileDialog(int panel, int control, int event, void *, int, int) {
    Recorded().push_back({panel, control, event});
    if (event == EVENT_LEFT_CLICK) {
        char path[260];
        SetFileSelectAnswer(nullptr);
        FileSelectPopup("/tmp", "VTLXpara.dat", "*.dat", "t", VAL_OK_BUTTON, 0, 1, 1, 1, path);
    }
    return 0;
}
} // namespace

// A callback may discard the panel whose control called it.
TEST(Callbacks, DiscardingTheOwnPanelInsideACallback) {
    RegisterCallback("CC_BTNRun", DiscardOwnPanel);
    const int h = LoadPanel(0, VTLX_UIR, 1);
    RegisterRecorders();
    ASSERT_GT(h, 0);
    DisplayPanel(h);
    QTest::keyClick(Widget(h, PANEL_CTRLLoopLock1), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(discardedPanel, h);
    EXPECT_EQ(Widget(h, PANEL_CTRLLoopLock1), nullptr);
}

// A file dialog opened on the press takes the mouse release: the button must
// not stay pressed, and no commit follows.
TEST(Callbacks, ModalDialogOnThePressLeavesTheButtonUp) {
    RegisterCallback("CC_BTNSend", OpenFileDialog);
    const int h = LoadPanel(0, VTLX_UIR, 1);
    RegisterRecorders();
    ASSERT_GT(h, 0);
    DisplayPanel(h);
    auto *send = static_cast<QAbstractButton *>(Widget(h, PANEL_BTNSend));
    Recorded().clear();
    QTest::mousePress(send, Qt::LeftButton, {}, send->rect().center());
    EXPECT_FALSE(send->isDown());
    QTest::mouseRelease(send, Qt::LeftButton, {}, send->rect().center());
    EXPECT_EQ(CodesOf(PANEL_BTNSend), Codes{EVENT_LEFT_CLICK});
    // From the keyboard alike: the dialog of the 3 ends the click there.
    Recorded().clear();
    QTest::keyClick(send, Qt::Key_Space);
    EXPECT_EQ(CodesOf(PANEL_BTNSend), Codes{EVENT_LEFT_CLICK});
    DiscardPanel(h);
}

namespace {
// Refills the port list from inside its own change, as a port set-up does.
int RefillPorts(int panel, int control, int event, void *, int, int) {
    Recorded().push_back({panel, control, event});
    ClearListCtrl(panel, control);
    for (int port = 1; port <= 4; ++port)
        InsertListItem(panel, control, -1, "COM", port);
    SetCtrlVal(panel, control, 2);
    return 0;
}
} // namespace

// One choice, one event: a callback acting on 1 and 2 alike must not run
// twice because it rewrote the selector.
TEST(Callbacks, SelectorRewrittenByItsCallbackRaisesOnce) {
    RegisterCallback("CC_DropDCom", RefillPorts);
    const int h = LoadPanel(0, VTLX_UIR, 1);
    RegisterRecorders();
    ASSERT_GT(h, 0);
    DisplayPanel(h);
    Recorded().clear();
    QTest::keyClick(Widget(h, PANEL_DropDCom), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(CodesOf(PANEL_DropDCom), Codes{EVENT_VAL_CHANGED});
    DiscardPanel(h);
}

// The edit menus of a numeric field and of a text box pop up and return:
// Qt's own waited for a choice in a nested loop, which held a running loop.
TEST_F(PanelsTest, EditMenusPopUpWithoutWaiting) {
    for (auto [panel, control] :
         {std::pair<int, int>{main, PANEL_NUMVideoThreshold}, std::pair<int, int>{popup, 2}}) {
        DisplayPanel(panel);
        QWidget *w = Widget(panel, control);
        QWidget *under = w->findChild<QLineEdit *>(); // what the click falls on
        if (auto *text = qobject_cast<QPlainTextEdit *>(w)) under = text->viewport();
        ASSERT_TRUE(under) << control;
        QTimer::singleShot(10000, [] { // only if the menu waits
            if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
        });
        QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5),
                                under->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(under, &right);
        QWidget *menu = QApplication::activePopupWidget();
        EXPECT_TRUE(qobject_cast<QMenu *>(menu)) << control;
        if (menu) menu->close();
    }
}
