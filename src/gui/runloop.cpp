// The run loop: one measurement request (code 8, carrying the settings) at a
// time, each reply drawn as numbers, bar graph and strip chart.
#include "gui/runloop.h"

#include "com232/com232.h"
#include "com232/datablocks.h"
#include "gui/plots.h"
#include "main/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "recording/recordpanel.h"

int loopActive = 0; // 1 while a run or video loop runs; blocks a second one
int videoLoop = 0;  // which of the two it is: 1 for the video loop

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

// The reply is awaited pumping events: a command that a callback starts
// meanwhile lets it finish first (SendFrame), and the loop sees by the frame
// count that the line was taken over.
unsigned SendMeasurementRequest(const u16 *words) {
    if (words) {
        for (int i = 0; i < PNUM; i++)
            pp[i] = words[i];
    }
    SendCommand(RUN_CODE, words ? 0 : 1);
    tstart = Timer();
    return frameCount;
}

// Asks again with the time-out clock still running from the request before,
// so a line that only brings frames that are no measurement times out.
static unsigned AskAgain(const u16 *words) {
    const double since = tstart;
    const unsigned sent = SendMeasurementRequest(words);
    tstart = since;
    return sent;
}

int MeasurementArrived(const u16 *words, unsigned *sent) {
    if (frameCount != *sent) {
        // A command run from a callback inside the last pump (calibration,
        // teach, reset, a fetch) took over the line: its frame flushed our
        // reply, and what rx_flag and pp hold now is its reply. That is no
        // measurement; ask for a fresh one.
        graphrefresh = 0;
        *sent = SendMeasurementRequest(words);
        return 0;
    }
    if (rx_flag != 1) return 0;
    // A frame that does not echo our code (a late answer to an earlier
    // command, or ours with stray bytes in its head) is no measurement: tVal
    // and tTol taken from it would go back to the sensor with the next
    // request.
    if (!ReplyEchoes(RUN_CODE)) {
        graphrefresh = 0;
        *sent = AskAgain(words);
        return 0;
    }
    return 1;
}

void PushRUN(void) {
    if (!BeginLoop(0)) return;
    unsigned sent = SendMeasurementRequest(nullptr);
    if (nBytesW == FRAMELEN) SetCtrlVal(pHandle, PANEL_TEXTStatus, "Line Ok!");
    stop_flag = 0;
    graphrefresh = 0;

    do {
        if (MeasurementArrived(nullptr, &sent)) {
            if (graphrefresh == 1 && RunReplySuspect()) {
                // Passed over as well: asked again, the clock running on.
                graphrefresh = 0;
                sent = AskAgain(nullptr);
            } else {
                // Draw before the next request: CopyVarsToPP overwrites pp.
                if (graphrefresh == 1) {
                    TakeRunReply();
                    TakeReplyForRecord();
                    PlotVIDEOBarGraph();
                    PlotRAWGraphX8();
                    graphrefresh = 0;
                }
                sent = SendMeasurementRequest(nullptr);
            }
        }
        tdiff = Timer() - tstart;
        if (portGone) break; // the request said so; no reply can come
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
