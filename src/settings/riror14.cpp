// VORTELIX-Riror 1.4, settings model: the program's settings and state. The
// ground floor of the application: it includes nothing of it.
#include "settings/riror14.h"

#include <cstring>

// Sensor settings (pp order); written by InitVars, GetPanelValues, CopyPPtoVars.
u16 power, tolMode, vThd, anaMode, polarity, eMode, eBeg, eEnd;
u16 tVal, tTol, opMode, eHardware, slope, intersect, average, powMode;

// Measurement results; written by the run and video loops.
u16 Ledge, Redge, Mvalue;
int umValue;
u16 edcnt, mvstart, mvend, dynpower, anaMax, anaMin, in0;

// Sensor identity and CCD geometry; written by the hardware-information reply.
u16 ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdmaxpixelX8, ccdsubpixel;
u16 ccdpixB, ccdpixE, softversion, pixB, pixE;
u16 pixELimit;       // the pixel limit the last identification set, before scaling
u16 YAXISMAX = 1024; // initialised at load: full 10-bit video range
double xArray[256];
double xArray8[256];

// Display buffers.
u16 adcbuf[256];
u16 thdArray[256];
double arrayNORM[500];

// Calibration; written by the calibration workflow and the fit.
double pixel[2], umeter[2], zarray[2];
double slopeval, interval, mse;
u16 calstep, flagstep1, flagstep2, oldMode;

// Windows and texts.
int pHandle, pPopup;
char szStatus[72], szVersion[72], szSoftVersion[72], szSoftName[72];
char szFirmware[72];
char proj_dir[260], file_name[260];

// Each variable above back to its value at load: one that is added there is
// added here too, group by group.
void ResetSettingsToLoad(void) {
    power = tolMode = vThd = anaMode = polarity = eMode = eBeg = eEnd = 0;
    tVal = tTol = opMode = eHardware = slope = intersect = average = powMode = 0;

    Ledge = Redge = Mvalue = 0;
    umValue = 0;
    edcnt = mvstart = mvend = dynpower = anaMax = anaMin = in0 = 0;

    ccdtype = ccdmaxpixel = ccdresolution = pcbtype = ccdmaxpixelX8 = ccdsubpixel = 0;
    ccdpixB = ccdpixE = softversion = pixB = pixE = 0;
    pixELimit = 0;
    YAXISMAX = 1024;
    std::memset(xArray, 0, sizeof xArray);
    std::memset(xArray8, 0, sizeof xArray8);

    std::memset(adcbuf, 0, sizeof adcbuf);
    std::memset(thdArray, 0, sizeof thdArray);
    std::memset(arrayNORM, 0, sizeof arrayNORM);

    pixel[0] = pixel[1] = umeter[0] = umeter[1] = zarray[0] = zarray[1] = 0.0;
    slopeval = interval = mse = 0.0;
    calstep = flagstep1 = flagstep2 = oldMode = 0;

    pHandle = pPopup = 0;
    szStatus[0] = szVersion[0] = szSoftVersion[0] = szSoftName[0] = '\0';
    szFirmware[0] = '\0';
    proj_dir[0] = file_name[0] = '\0';
}

void CopyText(char *dst, const char *src, std::size_t size) {
    std::strncpy(dst, src, size - 1);
    dst[size - 1] = '\0';
}

void SetStatus(const char *text) {
    CopyText(szStatus, text, sizeof szStatus);
}

void AssignSettingsDefaults(void) {
    power = 500;
    tolMode = 0;
    vThd = 512;
    anaMode = 0;
    polarity = 1;
    eMode = 1;
    eBeg = 1;
    eEnd = 1024;
    tVal = 512;
    tTol = 100;
    eHardware = 1;
    slope = static_cast<u16>(SLOPEMULTI);
    intersect = static_cast<u16>(YOFFSET);
    pixB = 1;
    pixE = 1024;
    pixELimit = 1024;
    ccdpixE = 1024;
    ccdmaxpixel = 1024;
    ccdmaxpixelX8 = 8192;
    pcbtype = 0;
    pixel[0] = 241.0;
    pixel[1] = 662.0;
    umeter[0] = 7960.0;
    umeter[1] = 21960.0;
    calstep = 3;
    CopyText(szSoftVersion, "Version 1.4", sizeof szSoftVersion);
    CopyText(szSoftName, "VORTELIX-Riror", sizeof szSoftName);
    for (int i = 0; i < 256; i++)
        xArray[i] = 4.0 * i;
}
