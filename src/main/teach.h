// The two one-shot commands of the main window: teach a new set-point
// (code 6, then the parameter set is read back from RAM) and reset the
// analog output's max/min values (code 11). Both send pp as it stands.
#pragma once

// Teach: on commit sends code 6 and says so at once; when the sensor answers
// within TIMEOUT, fetches the parameter set from RAM (PushGET), which brings
// the new set-point into tVal and the window. No reply: "Timeout-RS-232...".
// Returns 0.
int CC_ButtonTeach(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2);

// Reset: on commit sends code 11 and reports on the status line whether the
// sensor answered within TIMEOUT. Returns 0.
int CC_ButtonReset(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2);
