// Start-up of the program's state. Each module assigns and resets its own
// variables; this unit only calls their steps in order and adds the window's.
#include "main/startup.h"

#include "com232/com232.h"
#include "gui/linkview.h"
#include "gui/panelio.h"
#include "gui/runloop.h"
#include "logo/logo.h"
#include "paramsets/comparepanel.h"
#include "window/controls.h"
#include "window/lastfolder.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"
#include "popup/calibration.h"
#include "gui/recordpanel.h"

void InitVars(void) {
    InstallDesktopLinkSink();
    // The readers of every measurement, in this order.
    RemoveRunReaders();
    AddRunReader(TakeReplyForRecord);     // the run's statistics and the recording
    AddRunReader(DrawRunReply);           // numbers and graphs
    AddRunReader(ShowReplyInCalibration); // the calibration window's object fields
    AssignSettingsDefaults();
    AssignLinkDefaults();
    SetStatus("InitVars");
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    ShowLogo(2);
    // The panel resource's start values replace the defaults above.
    GetPanelValues();

    // Bar graph before the first measurement: cursor 1 on the set-point, the
    // window borders, and the tolerance band (its left end may be negative).
    DeleteGraphPlot(pHandle, PANEL_GRAPHBar, -1, 0);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 1, tVal, 1.0);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 2, eBeg, 1.0);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 3, eEnd, 1.0);
    PlotRectangle(pHandle, PANEL_GRAPHBar, static_cast<int>(tVal) - static_cast<int>(tTol), 0.0,
                  static_cast<int>(tVal) + static_cast<int>(tTol), 0.25, 0x00FF00, 0x00FF00);

    for (int i = 0; i < 256; i++)
        thdArray[i] = vThd;
}
