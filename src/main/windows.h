// The two windows' own callbacks: closing the main window ends the program;
// closing the calibration window hides it.
#pragma once

int CC_PANEL(int panel, int event, void *callbackData, int eventData1, int eventData2);
int CC_POPUP(int panel, int event, void *callbackData, int eventData1, int eventData2);
