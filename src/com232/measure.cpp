// Live measurement below the window: decode, fan-out and the run loop.
#include "com232/measure.h"

#include "com232/com232.h"
#include "com232/linksink.h"
#include "com232/protocol.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/ticker.h"

RunReply DecodeRunReply(const u16 words[PNUM]) {
    RunReply r = {};
    for (const RunFieldDef &f : RUN_FIELDS) {
        if (f.words == 2)
            r.*f.wide =
                static_cast<int>(static_cast<unsigned>(words[f.word + 1]) << 16 | words[f.word]);
        else
            r.*f.narrow = words[f.word];
    }
    return r;
}

RunReply TakeRunReply(int video) {
    RunReply r = DecodeRunReply(pp);
    r.monotonic = Timer();
    LocalTimeISO(r.localTime, sizeof r.localTime);
    r.video = video;
    KeepRunFields(r);
    return r;
}

// The readers, in the order they registered; written by AddRunReader.
static constexpr int MAX_READERS = 16;
static RunReader readers[MAX_READERS];
static int readerCount = 0;

void AddRunReader(RunReader reader) {
    for (int i = 0; i < readerCount; i++)
        if (readers[i] == reader) return;
    if (reader && readerCount < MAX_READERS) readers[readerCount++] = reader;
}

void RemoveRunReaders(void) {
    readerCount = 0;
}

void FanOutRunReply(const RunReply &r) {
    for (int i = 0; i < readerCount; i++)
        readers[i](r);
}

// Set-point and tolerance of the last reply passed over as suspect; 1 in
// suspectHeld while one is remembered. Written by RunReplySuspect.
static u16 suspectVal = 0, suspectTol = 0;
static int suspectHeld = 0;
static bool requestWhole = false; // the last measurement request went out whole

int RunReplySuspect(void) {
    if (pp[RUN_TVAL] == tVal && pp[RUN_TTOL] == tTol) {
        suspectHeld = 0;
        return 0;
    }
    if (!FrameWasFollowed()) return 0;
    // The same new values twice in a row are the sensor's own, not shifted
    // words: a sensor that always sends bytes behind its replies still gets
    // its set-point through, one request later.
    if (suspectHeld && pp[RUN_TVAL] == suspectVal && pp[RUN_TTOL] == suspectTol) {
        suspectHeld = 0;
        return 0;
    }
    suspectVal = pp[RUN_TVAL];
    suspectTol = pp[RUN_TTOL];
    suspectHeld = 1;
    return 1;
}

void ResetMeasureToLoad(void) {
    suspectVal = suspectTol = 0;
    suspectHeld = 0;
    requestWhole = false;
}

// The reply is awaited pumping events: a command that a callback starts
// meanwhile lets it finish first (SendFrame), and the loop sees by the frame
// count that the line was taken over.
unsigned SendMeasurementRequest(const u16 *words) {
    if (words) {
        for (int i = 0; i < PNUM; i++)
            pp[i] = words[i];
    }
    requestWhole = SendCommand(CODE_RUN, words ? 0 : 1) == FRAMELEN;
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
    if (!ReplyEchoes(CODE_RUN)) {
        graphrefresh = 0;
        *sent = AskAgain(words);
        return 0;
    }
    return 1;
}

int RunMeasurementLoop(void) {
    unsigned sent = SendMeasurementRequest(nullptr);
    if (requestWhole) LinkStatus("Line Ok!");
    stop_flag = 0;
    graphrefresh = 0;
    int end = RUN_LOOP_STOPPED;

    do {
        if (MeasurementArrived(nullptr, &sent)) {
            if (graphrefresh == 1 && RunReplySuspect()) {
                // Passed over as well: asked again, the clock running on.
                graphrefresh = 0;
                sent = AskAgain(nullptr);
            } else {
                // Fanned out before the next request: CopyVarsToPP overwrites pp.
                if (graphrefresh == 1) {
                    FanOutRunReply(TakeRunReply(0));
                    graphrefresh = 0;
                }
                // A reader that stops the loop (a program ending after the
                // reply in flight) gets no request behind it left unanswered.
                if (stop_flag) break;
                sent = SendMeasurementRequest(nullptr);
            }
        }
        tdiff = Timer() - tstart;
        if (portGone) { // the request said so; no reply can come
            end = RUN_LOOP_LINE_LOST;
            break;
        }
        if (tdiff > TIMEOUT) {
            LinkStatus(LOOP_TIMEOUT_TEXT);
            stop_flag = 1;
            // A request that did not go out whole cannot be answered: the
            // line, not the sensor, failed.
            end = requestWhole ? RUN_LOOP_NO_REPLY : RUN_LOOP_LINE_LOST;
            break;
        }
        // Sleeps until the reply's bytes, a window event or the time-out.
        PumpEvents(TIMEOUT - (Timer() - tstart));
    } while (stop_flag == 0);

    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    graphrefresh = 0;
    return end;
}
