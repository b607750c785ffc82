// Sensor identification. The sensor answers code 10 with its identity words
// and code 7 with a raw 72-byte firmware block (no frame header).
#include "com232/identify.h"

#include "com232/com232.h"
#include "com232/linksink.h"
#include "com232/protocol.h"
#include "com232/syncword.h"
#include "platform/formatting.h"
#include "platform/rs232.h"
#include "platform/runtime.h"

#include <cstring>

// Limit of the firmware wait, s. The wait pumps no events (nothing may take
// the block from the queue) and blocks on the port, waking as bytes come.
static constexpr double FIRMWARE_TIMEOUT = 2.0;
// How long to watch the line behind the block for stray bytes, s: a USB
// adapter at its default latency holds the last ones for 16 ms.
static constexpr double FIRMWARE_TRAIL_WAIT = 0.02;

// Rows of the type table that keep the evaluation-window limit start from
// pixELimit, the limit in pixels that the last identification set, so that
// pixE is scaled to sub-pixels exactly once per identification however often
// the sensor is identified.

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

const CcdRow *CcdTypeRow(void) {
    return FindRow(ccdtype, ccdresolution);
}

const char *PositionUnitName(void) {
    if (ccdmaxpixelReported > 0 && ccdmaxpixelX8 <= ccdmaxpixelReported) return "pixel";
    return FieldUnitName(FieldUnit::Position);
}

static void ApplyTypeRow(void) {
    const CcdRow *row = CcdTypeRow();
    if (row->pixE != KEEP) {
        pixB = 1;
        pixELimit = row->pixE == FROM_CCDPIXE ? ccdpixE : row->pixE;
    }
    pixE = pixELimit;
    if (row->smallVideoRange && softversion == 220) YAXISMAX = 256;
}

int GetHARDWAREInfo(void) {
    YAXISMAX = 1024;
    SendCommand(CODE_HARDWARE, 0);
    if (!WaitReply(TIMEOUT, TIMEOUT_TEXT, 0)) return 0;

    GetRxBuf(PNUM);
    return ApplyHardwareInfo();
}

u16 ccdmaxpixelReported = 0;

const IdentityWordDef IDENTITY_WORDS[IDENTITY_WORD_COUNT] = {
    {"ccdtype", HW_CCDTYPE, &ccdtype},
    {"ccdmaxpixel", HW_CCDMAXPIXEL, &ccdmaxpixelReported},
    {"ccdresolution", HW_CCDRESOLUTION, &ccdresolution},
    {"pcbtype", HW_PCBTYPE, &pcbtype},
    {"ccdmaxpixelX8", HW_CCDMAXPIXELX8, &ccdmaxpixelX8},
    {"ccdsubpixel", HW_CCDSUBPIXEL, &ccdsubpixel},
    {"ccdpixB", HW_CCDPIXB, &ccdpixB},
    {"ccdpixE", HW_CCDPIXE, &ccdpixE},
    {"softversion", HW_SOFTVERSION, &softversion},
};

int ApplyHardwareInfo(void) {
    const u16 echoed = ReadBufWord(2);
    ccdtype = pp[HW_CCDTYPE];
    ccdmaxpixel = ccdmaxpixelReported = pp[HW_CCDMAXPIXEL];
    ccdresolution = pp[HW_CCDRESOLUTION];
    pcbtype = pp[HW_PCBTYPE];
    ccdmaxpixelX8 = pp[HW_CCDMAXPIXELX8];
    ccdsubpixel = pp[HW_CCDSUBPIXEL];
    ccdpixB = pp[HW_CCDPIXB];
    ccdpixE = pp[HW_CCDPIXE];
    softversion = pp[HW_SOFTVERSION];
    if (echoed != CODE_HARDWARE) return 0;

    const int factor = PixelFactor();
    const int factor8 = SubPixelFactor();
    for (int i = 0; i < 256; i++) {
        xArray[i] = double(i * factor);
        xArray8[i] = double(i * factor8);
    }
    ApplyTypeRow();
    if (pcbtype == 100) pixE = static_cast<u16>(pixE * 8);
    LinkIdentified();
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
    SendFrame(CODE_FIRMWARE, pp, ANSWER_BLOCK);
    LinkStatus("Waiting for firmware info ...");

    tstart = Timer();
    int n = WaitInQ(com, FIRMWARE_LEN, FIRMWARE_TIMEOUT);
    if (n < 0) n = 0;
    tdiff = Timer() - tstart;
    if (n < FIRMWARE_LEN) SetStatus("Timeout - reading firmware info!");

    szVersion[0] = szFirmware[0] = '\0';
    const int want = n < int(sizeof szReadBuf) ? n : int(sizeof szReadBuf);
    nBytesR = want > 0 ? ComRd(com, szReadBuf, want) : 0;
    // The block has no header and no check sum: with stray bytes before or
    // after it, its text cannot be told from them, so none is taken.
    const int whole = nBytesR == FIRMWARE_LEN && WaitInQ(com, 1, FIRMWARE_TRAIL_WAIT) <= 0;
    if (whole)
        FirmwareToStatus();
    else if (n >= FIRMWARE_LEN)
        SetStatus(FIRMWARE_ERROR_TEXT);

    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    LinkStatus(szStatus);
    if (whole) return FIRMWARE_LEN;
    return n < FIRMWARE_LEN ? n : 0;
}
