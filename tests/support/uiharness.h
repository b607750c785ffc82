// The program's windows for end-to-end suites: the run-time started offscreen
// and both panels loaded as the program does at start.
#pragma once

#include <functional>
#include <string>

class QObject;

// Starts the run-time (offscreen unless a platform is set), registers the
// program's callbacks and loads both panels into pHandle and pPopup. Once.
// False when a panel cannot be loaded.
bool StartProgramWindows();

// Closes the port and brings the state back to a fresh start: every variable
// as at load, then the start-up defaults (InitVars) on the loaded panels.
void FreshStart();

// Opens COM1 with the receive callback, without the start-up chain.
bool OpenLine();

// Runs action after the given seconds, inside whatever pumps events then;
// pending actions die with context.
void After(QObject &context, double seconds, std::function<void()> action);

// Runs action once, inside whatever pumps events, as soon as condition holds
// (looked at every millisecond); a pending look dies with context.
void When(QObject &context, std::function<bool()> condition, std::function<void()> action);

// Pumps events for the given time.
void PumpFor(double seconds);

// The text of a control, as Windows-1252.
std::string ControlText(int panel, int control);
