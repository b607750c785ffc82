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
