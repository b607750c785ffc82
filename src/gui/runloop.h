// Live measurement: the run loop, and what it shares with the video loop.
//
// Exactly one code-8 request is outstanding at a time; its reply (a frame
// taken by the receive callback) is copied into the measurement variables,
// drawn, and answered by the next request at once. Everything runs inside the
// calling callback, pumping events between passes.
#pragma once

#include "main/riror14.h"

// Code of the measurement request, which both loops send.
inline constexpr int RUN_CODE = 8;

extern int loopActive; // 1 from the start of a run or video loop until its clean-up is done
extern int videoLoop;  // 1 when the loop that loopActive marks is the video loop

// Runs the measurement loop until stop_flag is set or a reply takes longer
// than TIMEOUT. Does nothing while another loop is still active.
void PushRUN(void);

// Copies the words 0 to 13 of the run reply in pp into the measurement
// variables (and tVal, tTol).
void TakeRunReply(void);

// 1 when the run reply in pp should not be taken: its set-point or tolerance
// differs from the one the loop holds (and sent), and bytes followed the
// frame, so stray bytes inside it may have shifted its words. Taken, those
// words would go back to the sensor as its set-point with the next request.
// The same values in the next reply as well are taken.
int RunReplySuspect(void);

// Puts the loop state back to its value at load: no loop, nothing suspect.
void ResetLoopsToLoad(void);

// Starts a loop's part of the window: 0 when a loop is still active (then
// nothing changes); else marks one active, shows the strip chart (video 0)
// or the video graph (video 1) and hides the other, dims the loop-locking
// controls and selects RAM as the send target, and returns 1.
int BeginLoop(int video);

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

// Makes the loop-locking controls operable again, and CTRLPostLoop with them.
void ReleaseLoopLocks(void);
