// The run loop in the window: its controls around RunMeasurementLoop, and
// the drawing of each reply as numbers, bar graph and strip chart.
#include "gui/runloop.h"

#include "com232/com232.h"
#include "gui/linkview.h"
#include "gui/plots.h"
#include "window/controls.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"

int loopActive = 0; // 1 while a run or video loop runs; blocks a second one
int videoLoop = 0;  // which of the two it is: 1 for the video loop

void ResetLoopsToLoad(void) {
    loopActive = 0;
    ResetMeasureToLoad();
}

void ReleaseLoopLocks(void) {
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 0);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 0);
    SetCtrlAttribute(pHandle, PANEL_CTRLPostLoop, ATTR_DIMMED, 0);
}

int BeginLoop(int video) {
    // Stop makes Run and Video operable at once, while the loop may still be
    // finishing its pass; a second loop must not start inside the first.
    if (loopActive) return 0;
    loopActive = 1;
    videoLoop = video;
    BeginRunStatistics();
    SetCtrlAttribute(pHandle, video ? PANEL_CHARTRaw : PANEL_GRAPHVideo, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, video ? PANEL_GRAPHVideo : PANEL_CHARTRaw, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 1);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 1);
    SelectTarget(RAM);
    return 1;
}

void DrawRunReply(const RunReply &reply) {
    PlotVIDEOBarGraph(reply);
    if (reply.video)
        PlotVIDEOCurve(adcbuf, xArray8);
    else
        PlotRAWGraphX8(reply);
}

void PushRUN(void) {
    if (!BeginLoop(0)) return;
    RunMeasurementLoop();
    ReleaseLoopLocks();
    loopActive = 0;
}
