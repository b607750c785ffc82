// Callbacks of the main window that exchange the parameter set: the editors
// that act on single settings while the user types, the target selector and
// the Send and Get buttons.
//
// The editors work on the controls; the settings take the edited values when
// GetPanelValues runs before the next send or file save. Only a border that
// had to be corrected is written into its variable at once.
#pragma once

// Left border of the evaluation window (commit): kept within pixB to pixE
// (above pixE gives pixE - 1, correcting eBeg); moves cursor 2 of GRAPHBar.
int CC_NEDITEdgeLeft(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2);
// Right border (commit): kept within pixB to pixE (below pixB gives pixB + 1,
// correcting eEnd); moves cursor 3 of GRAPHBar.
int CC_NEDITEdgeRight(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
// Tolerance (value changed): mirrored into NUMTolerance at once; tTol waits
// for the next send or save.
int CC_NEDITTolerance(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
// Hardware mode (value changed): modes 1 and 3 dim the tolerance and the
// tolerance mode, the others make them operable.
int CC_DropHardwareMode(int panel, int control, int event, void *callbackData, int eventData1,
                        int eventData2);
// Calibration window toggle (commit): shows or hides POPUP.
int CC_TOGGBTN_ParaII(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);

// Target selector (value changed). Setting a button selects its target;
// clearing any of them selects RAM. Exactly one button shows, equal to target.
int CC_RBTRam(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2);
int CC_RBTEeprom(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2);
int CC_RBTFile(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2);

// Send (left mouse click only: the keyboard does nothing): the window's
// settings go to RAM (code 1), EEPROM (code 3) or, after the save dialog, to
// a parameter file. No reply is awaited; "Line Ok!" when all 36 bytes left,
// "Parameters saved to <path>" for a file; a cancelled save dialog puts the
// status line back as it was.
int CC_BTNSend(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2);
// Get (commit): fetches the settings from RAM (code 2), EEPROM (code 4) or a
// parameter file, and shows them. A load dialog cancelled, or a file that
// could not be read, changes neither the settings nor the window.
int CC_BTNGet(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2);

// Marks Window left and Window right and shows the line under them when the
// left border is right of the right one; clears both otherwise.
void ShowWindowBorders(void);
