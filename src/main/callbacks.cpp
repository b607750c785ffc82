// Every callback the resource file may name, registered under that name.
// A control whose callback is not listed here stays unbound (and the panel
// loader says so on stderr).
#include "main/callbacks.h"

#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "main/params.h"
#include "main/live.h"
#include "main/teach.h"
#include "main/windows.h"
#include "paramsets/comparepanel.h"
#include "popup/calibration.h"
#include "report/report.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"
#include "review/review.h"

void RegisterCallbacks(void) {
    RegisterPanelCallback("CC_PANEL", CC_PANEL);
    RegisterPanelCallback("CC_POPUP", CC_POPUP);
    RegisterCallback("CC_DropDCom", CC_DropDCom);
    RegisterCallback("CC_BTNRun", CC_BTNRun);
    RegisterCallback("CC_BTNStop", CC_BTNStop);
    RegisterCallback("CC_BTNVideo", CC_BTNVideo);
    RegisterCallback("CC_NUMVideoThreshold", CC_NUMVideoThreshold);
    RegisterCallback("CC_NEDITEdgeLeft", CC_NEDITEdgeLeft);
    RegisterCallback("CC_NEDITEdgeRight", CC_NEDITEdgeRight);
    RegisterCallback("CC_NEDITTolerance", CC_NEDITTolerance);
    RegisterCallback("CC_DropHardwareMode", CC_DropHardwareMode);
    RegisterCallback("CC_TOGGBTN_ParaII", CC_TOGGBTN_ParaII);
    RegisterCallback("CC_RBTRam", CC_RBTRam);
    RegisterCallback("CC_RBTEeprom", CC_RBTEeprom);
    RegisterCallback("CC_RBTFile", CC_RBTFile);
    RegisterCallback("CC_BTNSend", CC_BTNSend);
    RegisterCallback("CC_BTNGet", CC_BTNGet);
    RegisterCompareCallbacks();
    RegisterCallback("CC_BTNReport", CC_BTNReport);
    RegisterCallback("CC_ButtonTeach", CC_ButtonTeach);
    RegisterCallback("CC_ButtonReset", CC_ButtonReset);
    RegisterCallback("CC_ActivateCalibration", CC_ActivateCalibration);
    RegisterCallback("CC_DiscardCalibration", CC_DiscardCalibration);
    RegisterCallback("CC_CheckStep1", CC_CheckStep1);
    RegisterCallback("CC_CheckStep2", CC_CheckStep2);
    RegisterCallback("CC_NUMUmObject1", CC_NUMUmObject1);
    RegisterCallback("CC_NUMUmObject2", CC_NUMUmObject2);
    RegisterCallback("CC_ButtonAcceptObject1", CC_ButtonAcceptObject1);
    RegisterCallback("CC_ButtonAcceptObject2", CC_ButtonAcceptObject2);
    RegisterCallback("CC_ButtonDoFit", CC_ButtonDoFit);
    RegisterCallback("CC_ButtonSaveCalValues", CC_ButtonSaveCalValues);
    RegisterCallback("CC_BTNRecord", CC_BTNRecord);
    RegisterCallback("CC_BTNStatReset", CC_BTNStatReset);
    RegisterCallback("CC_BTNOpenRecording", CC_BTNOpenRecording);
}
