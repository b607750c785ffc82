// Live measurement below the window: the run reply decoded once, the readers
// it is handed to, and the measurement loop.
//
// How it works
// - Exactly one code-8 request is outstanding at a time. Its reply (a frame
//   taken by the receive callback) is decoded into a RunReply, in the one
//   place TakeRunReply, which also keeps it in the measurement variables.
// - Every reader of a measurement (drawing, recorder, statistics, a
//   publisher) registers once with AddRunReader; FanOutRunReply hands each
//   reply to all of them, in the order they registered. No reader decodes
//   words itself.
// - RunMeasurementLoop runs inside the caller, pumping events between passes,
//   until stop_flag is set or a reply takes longer than TIMEOUT. It needs no
//   window: the desktop program enters it through PushRUN, a program without
//   a window calls it directly.
#pragma once

#include "com232/protocol.h"
#include "settings/riror14.h"

// The measurement words of a run reply (RUN_FIELDS), without the times.
RunReply DecodeRunReply(const u16 words[PNUM]);

// Decodes the run reply in pp, stamps it with both times, keeps its words in
// the measurement variables (and tVal, tTol) and returns it.
RunReply TakeRunReply(int video);

// A reader of measurements; registered once, it gets every reply taken.
typedef void (*RunReader)(const RunReply &reply);
void AddRunReader(RunReader reader);    // a reader already registered is not added twice
void RemoveRunReaders(void);            // back to no reader
void FanOutRunReply(const RunReply &r); // hands r to every reader

// 1 when the run reply in pp should not be taken: its set-point or tolerance
// differs from the one the loop holds (and sent), and bytes followed the
// frame, so stray bytes inside it may have shifted its words. Taken, those
// words would go back to the sensor as its set-point with the next request.
// The same values in the next reply as well are taken.
int RunReplySuspect(void);

// Sends a measurement request (code 8) with the settings of this moment
// (words null) or with words, and restarts the time-out clock. Returns the
// frame count right after it.
unsigned SendMeasurementRequest(const u16 *words);

// Looks, after a pump, whether the measurement asked for (sent: the frame
// count after its request) has come: 1 when rx_flag is set by a frame that
// echoes code 8. When a command run inside the pump took over the line, or
// the frame is not a measurement, asks again with the same words (after a
// take-over with a fresh time-out clock, else with the clock running on),
// updates *sent and returns 0. Returns 0 while nothing came.
int MeasurementArrived(const u16 *words, unsigned *sent);

// How a run loop ended.
enum RunLoopEnd {
    RUN_LOOP_NO_REPLY = 0,  // a request went out whole and no answer came in time
    RUN_LOOP_STOPPED = 1,   // stop_flag was set
    RUN_LOOP_LINE_LOST = 2, // the port went away, or a request did not go out whole
};

// The run loop: request, await, decode and fan out, until stop_flag is set
// or the line fails (a reply later than TIMEOUT reports LOOP_TIMEOUT_TEXT and
// sets stop_flag). "Line Ok!" is reported when the first request went out
// whole. Leaves the queues empty and rx_flag clear. Returns a RunLoopEnd.
int RunMeasurementLoop(void);

// Puts the loop state back to its value at load: nothing suspect.
void ResetMeasureToLoad(void);
