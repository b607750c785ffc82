// Teach and analog-output reset.
#include "main/teach.h"

#include "com232/com232.h"
#include "gui/pushget.h"
#include "main/controls.h"
#include "main/params.h"
#include "platform/runtime.h"
#include "platform/userint.h"

static constexpr int TEACH_CODE = 6;  // teach a new set-point
static constexpr int RESET_CODE = 11; // reset the analog output's max/min values

// A command sent while another one waits for its reply would take over the
// line: the other would take our reply for its own, or we its reply for ours.
static int LineBusy(void) {
    if (replyWaits <= 0) return 0;
    SetCtrlVal(pHandle, PANEL_TEXTStatus, BUSY_TEXT);
    return 1;
}

// Waits up to TIMEOUT for the reply that echoes code; 1 when it came. The
// flush before a send cannot stop a reply that is still on its way: a late
// answer to an earlier command must not count as ours (a reset reported
// done that never was), so a frame echoing another code is passed over.
// The flag is tested before the limit.
static int WaitOwnReply(int code, const char *timeoutText) {
    const double start = Timer();
    for (;;) {
        const double left = TIMEOUT - (Timer() - start);
        if (!WaitReply(left > 0.0 ? left : 0.0, timeoutText, 1)) return 0;
        if (ReadBufWord(2) == code) return 1;
        rx_flag = 0;
    }
}

int CC_ButtonTeach(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    SendCommand(TEACH_CODE, 0);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "New setpoint value teached!");
    // The reply's content is not used: its arrival says the set-point is taught.
    if (WaitOwnReply(TEACH_CODE, nullptr)) PushGET(RAM);
    return 0;
}

int CC_ButtonReset(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    SendCommand(RESET_CODE, 0);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Reset Max/Min values...");
    if (WaitOwnReply(RESET_CODE, "Timeout-RS-232..."))
        SetStatus("Reset of analog-output Max/Min OK!");
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return 0;
}
