// Helpers of the live-measurement suite: timed actions inside the loops'
// event pumps, and looks at the main window.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Opens COM1 with the receive callback, without the start-up chain.
bool OpenLine();

// Runs action after the given seconds, inside whatever pumps events then;
// pending actions die with context.
inline void After(QObject &context, double seconds, std::function<void()> action) {
    QTimer::singleShot(int(seconds * 1000), &context, std::move(action));
}

int PanelInt(int control);
bool Attribute(int control, int attribute);

// The state every loop leaves, whichever way it ended.
void ExpectEnded();
