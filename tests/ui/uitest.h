// Shared by the widget tests: both panels of the resource file, loaded fresh
// for every test, and a record of the events that reached the callbacks.
#pragma once

#include "platform/widgets/userint.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

// Control numbers used by the tests (as the program numbers them).
enum {
    P_DropDCom = 2,
    P_BTNGet = 3,
    P_DropAnaMode = 4,
    P_BTNStop = 5,
    P_BTNSend = 6,
    P_ButtonTeach = 7,
    P_RBTFile = 12,
    P_RBTEeprom = 13,
    P_ButtonReset = 14,
    P_NUMVideoThreshold = 15,
    P_NUMPower = 16,
    P_NEDITTolerance = 17,
    P_NEDITSetpoint = 18,
    P_RBTRam = 19,
    P_BTNRun = 20,
    P_BTNVideo = 22,
    P_DropHardwareMode = 23,
    P_DropTolMode = 24,
    P_DropEvalMode = 28,
    P_NUMUmValue = 31,
    P_NUMMvalue = 32,
    P_NUMAnaMin = 33,
    P_NUMAnaMax = 34,
    P_DECOLogo = 44,
    P_NEDITEdgeRight = 45,
    P_NEDITEdgeLeft = 46,
    P_TEXTStatus = 47,
    P_GRAPHVideo = 48,
    P_GRAPHBar = 49,
    P_PICTLogo = 50,
    P_SWITCHZoom = 51,
    P_TOGGBTN_ParaII = 53,
    P_CHARTRaw = 54,
    P_SWITCHOpMode = 55,
};
enum {
    Q_TEXTBOXSensor = 2,
    Q_ActivateCalibration = 3,
    Q_ButtonAcceptObject2 = 9,
    Q_ButtonSaveCalValues = 12,
    Q_ButtonAcceptObject1 = 13,
    Q_ButtonDoFit = 16,
    Q_NUMIntersect = 19,
    Q_NUMSlope = 20,
    Q_CheckStep2 = 31,
    Q_CheckStep1 = 32,
};

struct Event {
    int panel, control, event;
    bool operator==(const Event &) const = default;
};

// Every callback name of the resource file, registered to one recorder.
void RegisterRecorders();
std::vector<Event> &Recorded();
// The controls' events only, as codes, for one control.
std::vector<int> CodesOf(int control);

// The widget behind a control of a loaded panel.
QWidget *Widget(int panel, int control);

class PanelsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    int main = -1;  // handle of PANEL
    int popup = -1; // handle of POPUP
};
