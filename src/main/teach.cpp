// Teach and analog-output reset.
#include "main/teach.h"

#include "com232/com232.h"
#include "gui/pushget.h"
#include "window/controls.h"
#include "main/params.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

int CC_ButtonTeach(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    SendCommand(CODE_TEACH, 0);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "New setpoint value teached!");
    // The reply's content is not used: its arrival says the set-point is taught.
    if (WaitReplyTo(CODE_TEACH, nullptr)) PushGET(RAM);
    return 0;
}

int CC_ButtonReset(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    SendCommand(CODE_RESET_ANALOG, 0);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Reset Max/Min values...");
    if (WaitReplyTo(CODE_RESET_ANALOG, TIMEOUT_TEXT))
        SetStatus("Reset of analog-output Max/Min OK!");
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return 0;
}
