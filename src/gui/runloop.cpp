// The run loop: one measurement request (code 8, carrying the settings) at a
// time, each reply drawn as numbers, bar graph and strip chart.
#include "gui/runloop.h"

#include "com232/com232.h"
#include "com232/datablocks.h"
#include "gui/plots.h"
#include "main/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"

int loopActive = 0; // 1 while a run or video loop runs; blocks a second one

void TakeRunReply(void) {
    Ledge = pp[0];
    Redge = pp[1];
    Mvalue = pp[2];
    umValue = static_cast<int>(static_cast<unsigned>(pp[4]) << 16 | pp[3]);
    tVal = pp[5];
    tTol = pp[6];
    edcnt = pp[7];
    mvstart = pp[8];
    mvend = pp[9];
    dynpower = pp[10];
    anaMax = pp[11];
    anaMin = pp[12];
    in0 = pp[13];
}

// Set-point and tolerance of the last reply passed over as suspect; 1 in
// suspectHeld while one is remembered. Written by RunReplySuspect.
static u16 suspectVal = 0, suspectTol = 0;
static int suspectHeld = 0;

int RunReplySuspect(void) {
    if (pp[5] == tVal && pp[6] == tTol) {
        suspectHeld = 0;
        return 0;
    }
    if (!FrameWasFollowed()) return 0;
    // The same new values twice in a row are the sensor's own, not shifted
    // words: a sensor that always sends bytes behind its replies still gets
    // its set-point through, one request later.
    if (suspectHeld && pp[5] == suspectVal && pp[6] == suspectTol) {
        suspectHeld = 0;
        return 0;
    }
    suspectVal = pp[5];
    suspectTol = pp[6];
    suspectHeld = 1;
    return 1;
}

void ResetLoopsToLoad(void) {
    loopActive = 0;
    suspectVal = suspectTol = 0;
    suspectHeld = 0;
}

void ReleaseLoopLocks(void) {
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 0);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 0);
    SetCtrlAttribute(pHandle, PANEL_CTRLPostLoop, ATTR_DIMMED, 0);
}

// Sends the next request built from the settings of this moment and
// restarts the time-out clock. Returns the frame count right after the
// request. The reply is awaited pumping events: a command that a callback
// starts meanwhile lets it finish first (SendFrame), and the loop sees by the
// frame count that the line was taken over.
static unsigned SendRunRequest(void) {
    SendCommand(RUN_CODE, 1);
    tstart = Timer();
    return frameCount;
}

void PushRUN(void) {
    // Stop makes Run and Video operable at once, while the loop may still be
    // finishing its pass; a second loop must not start inside the first.
    if (loopActive) return;
    loopActive = 1;

    SetCtrlAttribute(pHandle, PANEL_GRAPHVideo, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, PANEL_CHARTRaw, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 1);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 1);
    SelectTarget(RAM);

    if (SendCommand(RUN_CODE, 1) == FRAMELEN) SetCtrlVal(pHandle, PANEL_TEXTStatus, "Line Ok!");
    unsigned sent = frameCount; // frameCount right after our own request
    tstart = Timer();
    stop_flag = 0;
    graphrefresh = 0;

    do {
        if (frameCount != sent) {
            // A command run from a callback inside the last pump (calibration,
            // teach, reset, a fetch) took over the line: its frame flushed our
            // reply, and what rx_flag and pp hold now is its reply. That is no
            // measurement; ask for a fresh one.
            graphrefresh = 0;
            sent = SendRunRequest();
        }
        // A frame that does not echo our code (a late answer to an earlier
        // command, or ours with stray bytes in its head) is no measurement:
        // tVal and tTol taken from it would go back to the sensor with the
        // next request. A suspect one is passed over likewise. Either way
        // the loop asks again, the time-out clock still running from the
        // request before, so a line that only brings such frames times out.
        if (rx_flag == 1 && (!ReplyEchoes(RUN_CODE) || (graphrefresh == 1 && RunReplySuspect()))) {
            const double since = tstart;
            graphrefresh = 0;
            sent = SendRunRequest();
            tstart = since;
        }
        // Draw before the next request: CopyVarsToPP overwrites pp.
        if (graphrefresh == 1) {
            TakeRunReply();
            PlotVIDEOBarGraph();
            PlotRAWGraphX8();
            graphrefresh = 0;
        }
        if (rx_flag == 1) sent = SendRunRequest();
        tdiff = Timer() - tstart;
        if (tdiff > TIMEOUT) {
            SetCtrlVal(pHandle, PANEL_TEXTStatus, LOOP_TIMEOUT_TEXT);
            stop_flag = 1;
            break;
        }
        // Sleeps until the reply's bytes, a window event or the time-out.
        PumpEvents(TIMEOUT - (Timer() - tstart));
    } while (stop_flag == 0);

    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    graphrefresh = 0;
    ReleaseLoopLocks();
    loopActive = 0;
}
