// Live measurement buttons and the video loop. The run loop itself is
// PushRUN (gui/runloop); the data-block reads are in com232/datablocks.
#include "main/live.h"

#include "com232/com232.h"
#include "com232/datablocks.h"
#include "com232/linksink.h"
#include "com232/measure.h"
#include "gui/plots.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "popup/calibration.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"

static u16 videoRequest[PNUM]; // payload of the video loop's current measurement request

// Asks for one measurement with the words of videoRequest and waits for it;
// 1 when the reply is in pp. Stop does not cut the wait short: a reply that
// comes is still read and drawn.
static int AwaitMeasurement(void) {
    unsigned sent = SendMeasurementRequest(videoRequest);
    if (portGone) { // the request said so; no reply can come
        stop_flag = 1;
        return 0;
    }
    for (;;) {
        PumpEvents(TIMEOUT - (Timer() - tstart));
        if (MeasurementArrived(videoRequest, &sent)) return 1;
        tdiff = Timer() - tstart;
        // A closed port (main window closed) cannot answer: no need to wait.
        if (tdiff > TIMEOUT || GetInQLen(com) < 0) {
            LinkStatus(LOOP_TIMEOUT_TEXT);
            stop_flag = 1;
            return 0;
        }
    }
}

// Between two blocks nothing is on the line: events are pumped with the
// receive callback on, so that a command started by a callback gets its reply.
static void PumpBetweenBlocks(void) {
    RestoreRxCallback();
    ProcessSystemEvents();
    RemoveRxCallback();
}

// Reads the video frame that belongs to the measurement just taken.
static void ReadVideoFrame(void) {
    RemoveRxCallback();
    FlushInQ(com);
    FlushOutQ(com);
    if (pcbtype == 0 || pcbtype == 100) {
        ReadData64(0, 0);
        PumpBetweenBlocks();
        ReadData64(64, 0);
        PumpBetweenBlocks();
        ReadData64(128, 0);
        PumpBetweenBlocks();
        ReadData64(192, 1);
    } else {
        ReadData256();
    }
    RestoreRxCallback();
}

void ResetVideoToLoad(void) {
    for (u16 &word : videoRequest)
        word = 0;
}

// Run and Video start no loop while a command started elsewhere waits for
// its reply: the loop's requests would take over the line from it.
int CC_BTNRun(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT && !LineBusy()) PushRUN();
    return 0;
}

int CC_BTNStop(int, int, int event, void *, int, int) {
    if (event != EVENT_LEFT_CLICK) return 0;
    stop_flag = 1;
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock1, ATTR_DIMMED, 0);
    SetCtrlAttribute(pHandle, PANEL_CTRLLoopLock2, ATTR_DIMMED, 0);
    return 0;
}

int CC_BTNVideo(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || LineBusy()) return 0;
    if (!BeginLoop(1)) return 0;
    // The curve is drawn at xArray8, in sub-pixels: so is the axis.
    if (ccdsubpixel > 1)
        SetAxisScalingMode(pHandle, PANEL_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    stop_flag = 0;

    // The first request carries pp as it stands, every later one the words of
    // the measurement reply before it.
    for (int i = 0; i < PNUM; i++)
        videoRequest[i] = pp[i];
    do {
        // A suspect reply is passed over: the next request carries the words
        // of the last good one.
        if (AwaitMeasurement() && !RunReplySuspect()) {
            for (int i = 0; i < PNUM; i++)
                videoRequest[i] = pp[i];
            // The frame belongs to the reply: read before the readers get it.
            const RunReply reply = TakeRunReply(1);
            ReadVideoFrame();
            FanOutRunReply(reply);
        }
        RunWaitingCalibration(); // a calibration command clicked during the block reads
        ProcessSystemEvents();
    } while (stop_flag == 0);

    ReleaseLoopLocks();
    RestoreRxCallback();
    FlushOutQ(com);
    FlushInQ(com);
    loopActive = 0;
    return 0;
}

int CC_NUMVideoThreshold(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    u16 threshold = 0;
    GetCtrlVal(pHandle, PANEL_NUMVideoThreshold, &threshold);
    for (int i = 0; i < VIDEOSAMPLES; i++)
        thdArray[i] = threshold;
    // In the units of the video loop and its axis, so the scale holds.
    // Before a sensor is identified xArray8 is all zero: whole pixels then.
    PlotVIDEOCurve(adcbuf, ccdsubpixel > 0 ? xArray8 : xArray);
    return 0;
}
