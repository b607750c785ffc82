// The program's state back to its value at load.
#include "testresets.h"

#include "com232/com232.h"
#include "gui/runloop.h"
#include "main/live.h"
#include "paramsets/comparepanel.h"
#include "popup/calibration.h"
#include "gui/recordpanel.h"
#include "platform/rs232.h"
#include "report/report.h"
#include "settings/riror14.h"
#include "window/lastfolder.h"

#include <cstring>

void ResetSettingsToLoad(void) {
    power = tolMode = vThd = anaMode = polarity = eMode = eBeg = eEnd = 0;
    tVal = tTol = opMode = eHardware = slope = intersect = average = powMode = 0;
    Ledge = Redge = Mvalue = edcnt = mvstart = mvend = dynpower = anaMax = anaMin = in0 = 0;
    umValue = 0;
    ccdtype = ccdmaxpixel = ccdresolution = pcbtype = ccdmaxpixelX8 = ccdsubpixel = 0;
    ccdpixB = ccdpixE = softversion = pixB = pixE = pixELimit = 0;
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
    szStatus[0] = szVersion[0] = szSoftVersion[0] = szSoftName[0] = szFirmware[0] = '\0';
    proj_dir[0] = file_name[0] = '\0';
}

void ResetVarsToLoad(void) {
    ResetSettingsToLoad();
    ResetLinkToLoad();
    ResetLoopsToLoad();
    ResetVideoToLoad();
    ResetCalibrationToLoad();
    ResetCompare();
    ResetRecordingToLoad();
    ResetLastFolder();
    ForgetComPortNumbers();
    ResetReportToLoad();
}
