// The setting editors and the target selector, driven through the real
// widgets where the control's own events matter.
#include "window/controls.h"
#include "main/params.h"
#include "com232/com232.h"
#include "paramstest.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

using Editors = ParamsTest;

int Value(int control) {
    int v = -1;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

int Dimmed(int control) {
    int v = -1;
    GetCtrlAttribute(pHandle, control, ATTR_DIMMED, &v);
    return v;
}

TEST_F(Editors, BordersStayInsideTheUsableRange) {
    const int SAME = -1; // the variable keeps its value
    const struct {
        bool left;
        int entered, shown, variable;
    } rows[] = {
        {true, 0, 1, 1},           {true, 1024, 1024, SAME},  {true, 1025, 1023, 1023},
        {true, 500, 500, SAME},    {false, 0, 2, 2},          {false, 1, 1, SAME},
        {false, 2000, 1024, 1024}, {false, 1024, 1024, SAME},
    };
    for (const auto &row : rows) {
        pixB = 1;
        pixE = 1024;
        eBeg = eEnd = 77;
        const int control = row.left ? PANEL_NEDITEdgeLeft : PANEL_NEDITEdgeRight;
        const CtrlCallbackPtr callback = row.left ? CC_NEDITEdgeLeft : CC_NEDITEdgeRight;
        SetCtrlVal(pHandle, control, row.entered);
        callback(pHandle, control, EVENT_VAL_CHANGED, nullptr, 0, 0);
        EXPECT_EQ(Value(control), row.entered) << "acts on commit only";
        callback(pHandle, control, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(Value(control), row.shown) << row.left << " " << row.entered;
        EXPECT_EQ(row.left ? eBeg : eEnd, row.variable == SAME ? 77 : row.variable)
            << row.left << " " << row.entered;
        EXPECT_EQ(row.left ? eEnd : eBeg, 77) << "the other border is left alone";
        double x = -1, y = -1;
        GetGraphCursor(pHandle, PANEL_GRAPHBar, row.left ? 2 : 3, &x, &y);
        EXPECT_EQ(x, row.shown) << row.left << " " << row.entered;
    }
}

// Typing a tolerance shows it in the indicator at once; the setting waits.
TEST_F(Editors, ToleranceIsMirroredAtOnce) {
    auto *mode = Widget<QComboBox>("DropHardwareMode");
    auto *tolerance = Widget<QSpinBox>("NEDITTolerance");
    ASSERT_TRUE(mode && tolerance);
    mode->setCurrentIndex(2); // operable
    tTol = 100;
    for (int v : {321, 0, 65535, 7}) {
        tolerance->setValue(v);
        EXPECT_EQ(Value(PANEL_NUMTolerance), v);
    }
    EXPECT_EQ(tTol, 100);
}

TEST_F(Editors, HardwareModesOneAndThreeDimTheTolerance) {
    auto *mode = Widget<QComboBox>("DropHardwareMode");
    ASSERT_NE(mode, nullptr);
    for (int m : {1, 0, 3, 2, 1, 2}) {
        mode->setCurrentIndex(m);
        const int dimmed = m == 1 || m == 3;
        EXPECT_EQ(Dimmed(PANEL_NEDITTolerance), dimmed) << m;
        EXPECT_EQ(Dimmed(PANEL_DropTolMode), dimmed) << m;
    }
}

// Clicks on the radio buttons, one line per click: the target that follows.
TEST_F(Editors, ExactlyOneTargetIsShown) {
    const struct {
        const char *button;
        int target;
    } clicks[] = {
        {"RBTRam", RAM},       {"RBTFile", DATFILE},  {"RBTFile", RAM},
        {"RBTEeprom", EEPROM}, {"RBTFile", DATFILE},  {"RBTEeprom", EEPROM},
        {"RBTEeprom", RAM},    {"RBTEeprom", EEPROM}, {"RBTRam", RAM},
    };
    for (const auto &click : clicks) {
        auto *button = Widget<QRadioButton>(click.button);
        ASSERT_NE(button, nullptr) << click.button;
        button->click();
        EXPECT_EQ(target, click.target) << click.button;
        EXPECT_EQ(Value(PANEL_RBTRam), target == RAM) << click.button;
        EXPECT_EQ(Value(PANEL_RBTEeprom), target == EEPROM) << click.button;
        EXPECT_EQ(Value(PANEL_RBTFile), target == DATFILE) << click.button;
    }
}

TEST_F(Editors, ToggleShowsAndHidesTheCalibrationWindow) {
    auto *toggle = Widget<QPushButton>("TOGGBTN_ParaII");
    QWidget *popup = WindowHolding("ButtonDoFit");
    ASSERT_TRUE(toggle && popup);
    for (bool shown : {true, false, true, false}) {
        toggle->click();
        EXPECT_EQ(popup->isVisible(), shown);
    }
}

} // namespace
