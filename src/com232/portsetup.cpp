// Port set-up and line check. Line: 19200 baud, no parity, 8 data bits,
// 1 stop bit, queues of 4096 bytes, read/write limit 2.0 s, no handshake.
#include "com232/portsetup.h"

#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/portwatch.h"
#include "com232/syncword.h"
#include "gui/pushget.h"
#include "main/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "recording/recordpanel.h"

#include <cstdio>

static constexpr long BAUD = 19200;
static constexpr int QUEUE_SIZE = 4096;
static constexpr double COM_TIME = 2.0;   // read/write limit of the port, s
static constexpr double STEP_PAUSE = 0.1; // pause between the identification steps, s
static constexpr int FIRMWARE_LEN = 72;

void InitRS232(int port) {
    ret = OpenComConfig(port, "", BAUD, 0, 8, 1, QUEUE_SIZE, QUEUE_SIZE);
    if (ret < 0) {
        SetStatus(OpenErrorText(ret));
    } else {
        SetComTime(port, COM_TIME);
        FlushInQ(port);
        FlushOutQ(port);
        SetCTSMode(port, 0);
        InstallComCallback(port, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
        ret = CheckComLine(port);
        if (ret == 1) {
            Delay(STEP_PAUSE);
            ret = GetHARDWAREInfo();
            Delay(STEP_PAUSE);
            SelectTarget(RAM); // the send target after a port set-up
            const int settingsRead = PushGET(RAM);
            char readFailure[sizeof szStatus]; // the read's own text when it failed
            std::snprintf(readFailure, sizeof readFailure, "%s", szStatus);
            Delay(STEP_PAUSE);
            ret = GetVERSIONInfo();
            if (ret < FIRMWARE_LEN) SetStatus("Error reading firmware-info!");
            // The window then shows defaults, not the sensor's set: that must
            // stand last, or a later Send writes those defaults into the
            // sensor. The firmware text stays in szFirmware for the report.
            if (!settingsRead) SetStatus(readFailure);
        }
    }
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
}

int CheckComLine(int port) {
    // The frame goes to com, the port just set up (InitRS232 is always
    // called with com).
    (void)port;
    SendCommand(5, 1);

    int result = 0;
    WaitReply(TIMEOUT, TIMEOUT_TEXT, 0);
    // Also after the limit: a reply taken in the very last pump still counts.
    if (rx_flag == 1) {
        if (ReadBufWord(0) == REPLY_SYNC) {
            SetStatus("Echo Check - Line Ok!");
            result = 1;
        } else {
            SetStatus("read error - not sync byte 0xAA!");
        }
    }
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return result;
}

int CC_DropDCom(int, int, int event, void *, int, int) {
    if (event == EVENT_LEFT_CLICK) {
        FollowPorts();
        return 0;
    }
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED) return 0;
    stop_flag = 1;
    SaveRecordedRows(); // the recording goes on with the new port
    CloseCom(com);
    portGone = 0;
    GetCtrlVal(pHandle, PANEL_DropDCom, &com);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Init COM-Port ...");
    InitRS232(com);
    PortSetUpDone(com);
    return 0;
}
