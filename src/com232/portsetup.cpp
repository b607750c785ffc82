// Port set-up and line check. Line: 19200 baud, no parity, 8 data bits,
// 1 stop bit, queues of 4096 bytes, read/write limit 2.0 s, no handshake.
#include "com232/portsetup.h"

#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/linksink.h"
#include "com232/syncword.h"
#include "platform/rs232.h"
#include "platform/runtime.h"

#include <cstdio>

static constexpr long BAUD = 19200;
static constexpr int QUEUE_SIZE = 4096;
static constexpr double COM_TIME = 2.0;   // read/write limit of the port, s
static constexpr double STEP_PAUSE = 0.1; // pause between the identification steps, s

int InitRS232(int port) {
    ret = OpenComConfig(port, "", BAUD, 0, 8, 1, QUEUE_SIZE, QUEUE_SIZE);
    const int opened = ret;
    int answered = CHAIN_SILENT;
    if (opened < 0) {
        SetStatus(OpenErrorText(opened));
    } else {
        portGone = 0;
        SetComTime(port, COM_TIME);
        FlushInQ(port);
        FlushOutQ(port);
        SetCTSMode(port, 0);
        InstallComCallback(port, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
        answered = ret = CheckComLine(port);
        if (answered == 1) {
            Delay(STEP_PAUSE);
            ret = GetHARDWAREInfo();
            Delay(STEP_PAUSE);
            target = RAM; // the send target after a port set-up
            LinkTargetChosen(RAM);
            const int settingsRead = FetchParameters(RAM);
            LinkSettingsFetched();
            char readFailure[sizeof szStatus]; // the read's own text when it failed
            std::snprintf(readFailure, sizeof readFailure, "%s", szStatus);
            Delay(STEP_PAUSE);
            ret = GetVERSIONInfo();
            if (ret != FIRMWARE_LEN) SetStatus(FIRMWARE_ERROR_TEXT);
            // The window then shows defaults, not the sensor's set: that must
            // stand last, or a later Send writes those defaults into the
            // sensor. The firmware text stays in szFirmware for the report.
            if (!settingsRead)
                SetStatus(readFailure);
            else
                answered = CHAIN_SET_READ;
        }
    }
    LinkStatus(szStatus);
    return opened < 0 ? opened : answered;
}

int CheckComLine(int port) {
    // The frame goes to com, the port just set up (InitRS232 is always
    // called with com).
    (void)port;
    SendCommand(CODE_ECHO, 1);

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
    LinkStatus(szStatus);
    return result;
}

int FetchParameters(int t) {
    if (t == DATFILE) return 0;
    const int code = t == RAM ? CODE_FETCH_RAM : CODE_FETCH_EEPROM;
    if (SendCommand(code, 1) == FRAMELEN) LinkStatus("Waiting for parameter-frame ...");
    // The flag is tested before the limit in each pass: a reply taken in the
    // last pump is accepted even past the limit. A late answer to an earlier
    // command (a measurement, say) would put its words into the settings:
    // only a frame that echoes our code counts.
    if (!WaitReplyTo(code, TIMEOUT_TEXT)) return 0;
    GetRxBuf(PNUM);
    CopyPPtoVars();
    SetStatus("Parameter-frame received! - Line Ok!");
    return 1;
}

const char *OpenErrorText(int result) {
    switch (result) {
    case kComUnknownSystemError: return "Unknown system error";
    case kComInvalidPort: return "Invalid port number";
    case kComPortNotOpen: return "Port is not open";
    case kComIOError: return "Unknown I/0 error";
    case kComNoSerialPort: return "No serial port found";
    case kComCannotOpen: return "Cannot open port";
    case kComInvalidParameter: return "Invalid parameter";
    case kComTimeout: return "Timeout";
    default: return "RS-232 error!";
    }
}
