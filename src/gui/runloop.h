// Live measurement: the run loop, and what it shares with the video loop.
//
// Exactly one code-8 request is outstanding at a time; its reply (a frame
// taken by the receive callback) is copied into the measurement variables,
// drawn, and answered by the next request at once. Everything runs inside the
// calling callback, pumping events between passes.
#pragma once

// Code of the measurement request, which both loops send.
inline constexpr int RUN_CODE = 8;

extern int loopActive; // 1 from the start of a run or video loop until its clean-up is done

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

// Makes the loop-locking controls operable again, and CTRLPostLoop with them.
void ReleaseLoopLocks(void);
