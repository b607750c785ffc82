// The program's windows for end-to-end suites: the run-time started offscreen
// and both panels loaded as the program does at start.
#pragma once

#include <string>

// Starts the run-time (offscreen unless a platform is set), registers the
// program's callbacks and loads both panels into pHandle and pPopup. Once.
// False when a panel cannot be loaded.
bool StartProgramWindows();

// Closes the port and brings the state back to a fresh start: every variable
// as at load, then the start-up defaults (InitVars) on the loaded panels.
void FreshStart();

// Pumps events for the given time.
void PumpFor(double seconds);

// The text of a control, as Windows-1252.
std::string ControlText(int panel, int control);
