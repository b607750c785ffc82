// The buttons of live measurement: Run, Stop and Video, and the video
// threshold field that redraws the threshold line over the last video frame.
#pragma once

// Run button: on commit runs the measurement loop (PushRUN). Returns 0.
int CC_BTNRun(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2);

// Stop button: on the left click (not on commit, so not from the keyboard)
// sets stop_flag and makes Run and Video operable again. Returns 0.
int CC_BTNStop(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2);

// Video button: on commit runs the video loop, one measurement and one video
// frame (four 64-word blocks on boards 0 and 100, else one 256-word block)
// per pass, until stop_flag is set or a measurement reply times out.
// Returns 0.
int CC_BTNVideo(int panel, int control, int event, void *callbackData, int eventData1,
                int eventData2);

// Threshold field: on a value change fills thdArray with the new threshold
// and redraws the video curve in the loop's units (xArray8 once a sensor is
// identified, else xArray). vThd is left alone. Returns 0.
int CC_NUMVideoThreshold(int panel, int control, int event, void *callbackData, int eventData1,
                         int eventData2);

// Puts the video loop's request words back to their value at load.
void ResetVideoToLoad(void);
