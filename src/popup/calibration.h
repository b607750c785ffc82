// The calibration window at work: two reference objects measured live, a
// straight line through them, and its slope and offset written into the
// sensor's RAM as the two calibration words.
//
// Every exchange is one command frame with code 12 and a sub-command in
// word 0 (0 stop, 1 activate, 2 write the words), answered by one frame
// whose words 0 and 1 are the sensor's slope and offset words. Activation
// starts the run loop when no loop runs; the other callbacks then run inside
// its event pump.
#pragma once

#include "com232/measure.h"
#include "settings/riror14.h"

// Status line when a fitted line has no calibration words.
inline constexpr char CAL_RANGE_TEXT[] = "Calibration values out of range!";

// The calibration words of a line with the given slope factor (micrometres
// per unit of the measured value) and offset (micrometres): factor x m and
// offset + YOFFSET, each cut toward zero, m by SlopeScale(). Returns 1 with
// both words set, or 0 with neither touched when a value is not finite or a
// word would fall outside 0..65535 (factor below 0 or from 65536/m on,
// offset below -30000 or from 35536 on).
int FitToWords(double factor, double offset, u16 *slopeWord, u16 *offsetWord);

// Activate: sub-command 1; on the reply shows the sensor's words, remembers
// eMode, sets the evaluation-mode selector to 2, opens the step check boxes
// and runs the run loop unless a run or video loop is active. Event 1.
int CC_ActivateCalibration(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);

// Stop: ends a running loop, sends sub-command 0, shows the sensor's words
// on a reply, and always resets the workflow and hides the window. Event 1.
int CC_DiscardCalibration(int panel, int control, int event, void *callbackData, int eventData1,
                          int eventData2);

// Step check boxes: ticking one unticks the other and opens its accept
// button; unticking closes both accept buttons. Event 2.
int CC_CheckStep1(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2);
int CC_CheckStep2(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2);

// Accept object 1 or 2: the current Mvalue and the entered size become the
// object's point; the fit opens once both objects are taken. Event 1.
int CC_ButtonAcceptObject1(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int CC_ButtonAcceptObject2(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);

// Fit: the straight line through the two points, shown in the window. A line
// without calibration words is reported and the objects can be taken again;
// otherwise Save opens. Event 1.
int CC_ButtonDoFit(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2);

// Save: the fitted line's words into slope and intersect and into the
// sensor's RAM (sub-command 2); on the reply the workflow starts over. Event 1.
int CC_ButtonSaveCalValues(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);

// Puts the workflow's own state back to its value at load.
void ResetCalibrationToLoad(void);

// A reader of measurements: the measured value into the object field of the
// calibration step that is ticked.
void ShowReplyInCalibration(const RunReply &reply);
