// Live measurement in the window: the run loop's entry (PushRUN) and what it
// shares with the video loop. The loop itself, the decode and the fan-out are
// below the window, in com232/measure.
#pragma once

#include "com232/measure.h"
#include "settings/riror14.h"

extern int loopActive; // 1 from the start of a run or video loop until its clean-up is done

// Runs the measurement loop (RunMeasurementLoop) until stop_flag is set or a
// reply takes longer than TIMEOUT. Does nothing while another loop is still
// active.
void PushRUN(void);

// The window's reader of measurements: the indicators, the bar graph and the
// calibration window's fields, then the strip chart (run loop) or the video
// curve (video loop, whose frame is in adcbuf).
void DrawRunReply(const RunReply &reply);

// Puts the loop state back to its value at load: no loop, nothing suspect.
void ResetLoopsToLoad(void);

// Starts a loop's part of the window: 0 when a loop is still active (then
// nothing changes); else marks one active, shows the strip chart (video 0)
// or the video graph (video 1) and hides the other, dims the loop-locking
// controls and selects RAM as the send target, and returns 1.
int BeginLoop(int video);

// Makes the loop-locking controls operable again, and CTRLPostLoop with them.
void ReleaseLoopLocks(void);
