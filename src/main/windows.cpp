// The panel callbacks of the main and the calibration window.
#include "main/windows.h"

#include "com232/com232.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "recording/recorder.h"

int CC_PANEL(int, int event, void *, int, int) {
    if (event != EVENT_CLOSE) return 0;
    stop_flag = 1;   // a loop pumping events sees it and ends
    StopRecording(); // its last rows, also on the quit signals
    CloseCom(com);
    QuitUserInterface(0);
    return 0;
}

int CC_POPUP(int, int event, void *, int, int) {
    if (event != EVENT_CLOSE) return 0;
    HidePanel(pPopup);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 0);
    return 0;
}
