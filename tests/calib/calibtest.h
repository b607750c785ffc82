// Helpers of the calibration suite: timed actions inside the loops' event
// pumps, the calibration window's looks, and the user's clicks on it.
#pragma once

#include <QObject>

#include <functional>
#include <string>

// Runs action after the given seconds, inside whatever pumps events then.
// Pending actions die with context.
void After(QObject &context, double seconds, std::function<void()> action);

// The calibration window: is it shown; is a control dimmed; its values.
bool PopupShown();
bool PopupDimmed(int control);
int PopupInt(int control);
double PopupReal(int control);

// The workflow controls that can be operated, as letters: 1 and 2 the step
// boxes, a and b the accept buttons, f the fit, s the save; in that order.
std::string Operable();
// The step boxes ticked, as "1", "2", "12" or "".
std::string Ticked();

// The window as the resource file starts it: workflow dimmed, nothing
// ticked, slope 1.0 and offset 0 shown, window hidden.
void ResetCalibrationWindow();

// The user's actions, each raising the event its control acts on.
void Activate();
void Discard();
void Tick(int box, int ticked); // sets the box, then its value-changed event
void Take(int object);          // 1 or 2
void Fit();
void Save();
void Teach();
void ResetAnalog();
