// Fetching the parameter set: one request, one reply frame of sixteen words.
#include "gui/pushget.h"

#include "com232/com232.h"
#include "gui/panelio.h"
#include "main/controls.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

int PushGET(int t) {
    int taken = 1; // the frame arrived (nothing to fetch for the file)
    if (t != DATFILE) {
        const int code = t == RAM ? 2 : 4;
        if (SendCommand(code, 1) == FRAMELEN)
            SetCtrlVal(pHandle, PANEL_TEXTStatus, "Waiting for parameter-frame ...");
        // The flag is tested before the limit in each pass: a reply taken in
        // the last pump is accepted even past the limit. A late answer to an
        // earlier command (a measurement, say) would put its words into the
        // settings: only a frame that echoes our code counts.
        taken = WaitReplyTo(code, TIMEOUT_TEXT);
        if (taken) {
            GetRxBuf(PNUM);
            CopyPPtoVars();
            SetStatus("Parameter-frame received! - Line Ok!");
        }
    }
    SetPanelValues();
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return taken;
}
