// Sensor identification. The sensor answers code 10 with its identity words
// and code 7 with a raw 72-byte firmware block (no frame header).
#include "com232/identify.h"

#include "com232/com232.h"
#include "com232/syncword.h"
#include "main/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

#include <cstring>

// Limit of the firmware wait, s. The wait pumps no events (nothing may take
// the block from the queue) and blocks on the port, waking as bytes come.
static constexpr double FIRMWARE_TIMEOUT = 2.0;
// Bytes of the firmware block.
static constexpr int FIRMWARE_LEN = 72;

// Rows of the type table that keep the evaluation-window limit start from
// pixELimit, the limit in pixels that the last identification set, so that
// pixE is scaled to sub-pixels exactly once per identification however often
// the sensor is identified.

// One row of the CCD type table. A null text keeps what is shown; pixE 0
// keeps the limit; pixE 0xFFFF takes ccdpixE.
struct CcdRow {
    const char *line0;
    const char *line1;
    const char *onText;
    const char *offText;
    u16 pixE;
    bool smallVideoRange; // YAXISMAX 256 when softversion is 220
};

static constexpr u16 KEEP = 0;
static constexpr u16 FROM_CCDPIXE = 0xFFFF;

// Texts are Windows-1252: \xB5 is the micro sign.
static const CcdRow *FindRow(u16 type, u16 resolution) {
    static const CcdRow type1res30 = {"CCD-SENSOR:1024 pixel; 3.0\xB5m res.;",
                                      "optical-lense, 3.0mm working range",
                                      nullptr,
                                      nullptr,
                                      1024,
                                      false};
    static const CcdRow type1 = {"CCD-SENSOR:1024 pixel; 7.8\xB5m pixel-pitch;",
                                 "8.0mm working range",
                                 nullptr,
                                 nullptr,
                                 1024,
                                 false};
    static const CcdRow type2res750 = {"CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
                                       "opt.-lense, 75mm working range",
                                       "HI-GAIN",
                                       "LO-GAIN",
                                       KEEP,
                                       false};
    static const CcdRow type2res350 = {"CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
                                       "opt.-lense, 35mm working range",
                                       "HI-GAIN",
                                       "LO-GAIN",
                                       1024,
                                       true};
    static const CcdRow type2res250 = {
        "CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
        "Working-Range: 25,6mm,  Resolution: 12.5\xB5m (subpixel x2)",
        "HI-GAIN",
        "LO-GAIN",
        1024,
        true};
    static const CcdRow type2 = {nullptr, nullptr, nullptr, nullptr, KEEP, false};
    static const CcdRow type3 = {"CCD-SENSOR:512 pixel; 25\xB5m pixel-pitch;",
                                 "12,8mm working range",
                                 "HI-GAIN",
                                 "LO-GAIN",
                                 512,
                                 false};
    static const CcdRow type4 = {"CCD-SENSOR:512 pixel; 12,5\xB5m pixel-pitch;",
                                 "6,4mm working range",
                                 nullptr,
                                 nullptr,
                                 512,
                                 false};
    static const CcdRow type101 = {"CCD-SENSOR:256 pixel; 63.5\xB5m pixel-pitch;",
                                   "16mm working range",
                                   "ADC-CNV",
                                   "DIG-CMP",
                                   256,
                                   false};
    static const CcdRow type102 = {"CCD-SENSOR:768 pixel; 63.5\xB5m pixel-pitch;",
                                   "Working-Range: 48,8mm, Resolution: 31.75\xB5m (subpixel x2)",
                                   "ADC-CNV",
                                   "DIG-CMP",
                                   768,
                                   true};
    static const CcdRow type103 = {"CCD-SENSOR:1180 pixel; 63.5\xB5m pixel-pitch;",
                                   "Working-Range: 74,9mm,   Resolution: 31.75\xB5m (subpixel x2)",
                                   "ADC-CNV",
                                   "DIG-CMP",
                                   FROM_CCDPIXE,
                                   true};
    static const CcdRow type104 = {"CCD-SENSOR:1536 pixel; 63.5\xB5m pixel-pitch;",
                                   "Working-Range: 97,5mm,   Resolution: 63.5\xB5m",
                                   "ADC-CNV",
                                   "DIG-CMP",
                                   1536,
                                   true};
    static const CcdRow unknown = {"CCD-SENSOR: no information avialable!",
                                   "                                     ",
                                   "ADC-CNV",
                                   "DIG-CMP",
                                   1024,
                                   false};
    switch (type) {
    case 1: return resolution == 30 ? &type1res30 : &type1;
    case 2:
        switch (resolution) {
        case 750: return &type2res750;
        case 350: return &type2res350;
        case 250: return &type2res250;
        default: return &type2;
        }
    case 3: return &type3;
    case 4: return &type4;
    case 101: return &type101;
    case 102: return &type102;
    case 103: return &type103;
    case 104: return &type104;
    default: return &unknown;
    }
}

// Factor of xArray by ccdmaxpixel; an unknown count makes it 256 pixels.
static int PixelFactor(void) {
    switch (ccdmaxpixel) {
    case 512: return 2;
    case 768: return 3;
    case 1024: return 4;
    case 1280: return 5;
    case 1536: return 6;
    case 2048: return 8;
    default: ccdmaxpixel = 256; return 1;
    }
}

// Factor of xArray8 by ccdsubpixel.
static int SubPixelFactor(void) {
    switch (ccdsubpixel) {
    case 512: return 2;
    case 768: return 3;
    case 1024: return 4;
    case 1180:
    case 1280: return 5;
    case 1536: return 6;
    case 2048: return 8;
    case 2360:
    case 2560: return 10;
    case 8192: return 32;
    default: return 4;
    }
}

static void DimAnalogControls(int dimmed) {
    SetCtrlAttribute(pHandle, PANEL_DropAnaMode, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_CTRLAnalogGroup, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMax, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMin, ATTR_DIMMED, dimmed);
}

static void ApplyTypeRow(void) {
    const CcdRow *row = FindRow(ccdtype, ccdresolution);
    if (row->line0) ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 0, row->line0);
    if (row->line1) ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 1, row->line1);
    if (row->onText) {
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_ON_TEXT, row->onText);
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_OFF_TEXT, row->offText);
    }
    if (row->pixE != KEEP) {
        pixB = 1;
        pixELimit = row->pixE == FROM_CCDPIXE ? ccdpixE : row->pixE;
    }
    pixE = pixELimit;
    if (row->smallVideoRange && softversion == 220) YAXISMAX = 256;

    if (ccdtype == 1) SetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, 1);
    if (ccdtype == 3 || ccdtype == 4)
        SetAxisScalingMode(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, ccdmaxpixel);
}

int GetHARDWAREInfo(void) {
    YAXISMAX = 1024;
    SendCommand(10, 0);
    if (!WaitReply(TIMEOUT, TIMEOUT_TEXT, 0)) return 0;

    GetRxBuf(PNUM);
    return ApplyHardwareInfo();
}

u16 ccdmaxpixelReported = 0;

int ApplyHardwareInfo(void) {
    const u16 echoed = ReadBufWord(2);
    ccdtype = pp[0];
    ccdmaxpixel = ccdmaxpixelReported = pp[1];
    ccdresolution = pp[2];
    pcbtype = pp[3];
    ccdmaxpixelX8 = pp[4];
    ccdsubpixel = pp[5];
    ccdpixB = pp[6];
    ccdpixE = pp[7];
    softversion = pp[8];
    if (echoed != 10) return 0;

    SetAxisScalingMode(pHandle, PANEL_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    const int factor = PixelFactor();
    const int factor8 = SubPixelFactor();
    for (int i = 0; i < 256; i++) {
        xArray[i] = double(i * factor);
        xArray8[i] = double(i * factor8);
    }
    ApplyTypeRow();
    // The slope field takes what the slope word can hold at this sensor's scale.
    SetCtrlRange(pPopup, POPUP_NUMSlope, 0.0, 65535.0 / SlopeScale());

    if (pcbtype == 100) {
        DimAnalogControls(0);
        pixE = static_cast<u16>(pixE * 8);
    } else if (pcbtype == 400) {
        DimAnalogControls(1);
    }
    return 1;
}

// Copies at most 71 bytes up to the first zero into szStatus.
static void StatusFromBytes(const char *bytes, int count) {
    int n = 0;
    while (n < count && n < int(sizeof szStatus) - 1 && bytes[n] != '\0')
        n++;
    std::memcpy(szStatus, bytes, size_t(n));
    szStatus[n] = '\0';
}

void FirmwareToStatus(void) {
    if (pcbtype == 0) {
        int words[FIRMWARE_LEN / 2];
        for (int k = 0; k < FIRMWARE_LEN / 2; k++)
            words[k] = ReadBufWord(2 * k);
        Fmt(szVersion, "%72c<%36i", words);
        SetStatus(szVersion);
    } else {
        StatusFromBytes(szReadBuf, FIRMWARE_LEN);
    }
    // Kept for the report and named sets, whichever path the text took.
    std::memcpy(szFirmware, szStatus, sizeof szFirmware);
}

int GetVERSIONInfo(void) {
    // Without the callback the block stays in the queue for us to read.
    InstallComCallback(com, 0, FRAMELEN, sync, nullptr, nullptr);
    SendFrame(7, pp, ANSWER_BLOCK);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Waiting for firmware info ...");

    tstart = Timer();
    int n = WaitInQ(com, FIRMWARE_LEN, FIRMWARE_TIMEOUT);
    if (n < 0) n = 0;
    tdiff = Timer() - tstart;
    if (n < FIRMWARE_LEN) SetStatus("Timeout - reading firmware info!");

    szVersion[0] = szFirmware[0] = '\0';
    const int want = n < int(sizeof szReadBuf) ? n : int(sizeof szReadBuf);
    nBytesR = want > 0 ? ComRd(com, szReadBuf, want) : 0;
    if (nBytesR == FIRMWARE_LEN) FirmwareToStatus();

    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return n;
}
