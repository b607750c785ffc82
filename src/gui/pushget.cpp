// Fetching the parameter set: one request, one reply frame of sixteen words.
#include "gui/pushget.h"

#include "com232/com232.h"
#include "gui/panelio.h"
#include "main/controls.h"
#include "platform/runtime.h"
#include "platform/userint.h"

void PushGET(int t) {
    if (t != DATFILE) {
        if (SendCommand(t == RAM ? 2 : 4, 1) == FRAMELEN)
            SetCtrlVal(pHandle, PANEL_TEXTStatus, "Waiting for parameter-frame ...");
        // The flag is tested before the limit in each pass: a reply taken in
        // the last pump is accepted even past the limit.
        if (WaitReply(TIMEOUT, "Timeout-RS-232...", 1)) {
            GetRxBuf(PNUM);
            CopyPPtoVars();
            SetStatus("Parameter-frame received! - Line Ok!");
        }
    }
    SetPanelValues();
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
}
