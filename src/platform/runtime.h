// Run-time engine: start-up, the event loop, the event pump and the clock.
//
// How it works
// - There is one user-interface thread. InitCVIRTE creates the application
//   object on it (one without windows; a program with windows lets the window
//   services create theirs first, InitUserInterface); every callback of the program (controls,
//   panels, the serial receive callback) runs on that thread.
// - Callbacks run only while events are pumped: inside RunUserInterface, or
//   inside ProcessSystemEvents, which a waiting routine calls in a tight loop.
// - ProcessSystemEvents sleeps until the next event or for at most about 1 ms,
//   so a loop around it reacts within a millisecond but does not burn a core.
// - QuitUserInterface may be called from any callback, also one nested inside
//   a pump: the loop of RunUserInterface ends once that callback has returned.
//   A quit that comes before RunUserInterface makes it return at once.
#pragma once

// Creates the application object without windows, unless one exists already.
// Returns 1 on success, 0 on failure.
int InitCVIRTE(void *hInstance, char *argv[], void *reserved);

// Runs the event loop until QuitUserInterface; returns the code passed to it.
int RunUserInterface(void);

// Asks the event loop to end with the given code. Safe from nested callbacks.
int QuitUserInterface(int returnCode);

// Runs the pending user-interface and serial callbacks, then returns. Waits
// at most about 1 ms for an event when none is pending. Always returns 0.
int ProcessSystemEvents(void);

// Runs the pending user-interface and serial callbacks; when none is
// pending, sleeps in the event loop's wait until the next event (window
// input, bytes on an open port, a timer) or for at most maxWait seconds.
// A waiting routine that must wake on its own deadline uses this.
void PumpEvents(double maxWait);

// Seconds since an arbitrary origin, from the monotonic clock.
double Timer(void);

// Blocks the caller for the given number of seconds; pumps no events.
void Delay(double seconds);

// Interrupt and termination signals (Ctrl-C, kill, logout) call onQuit on the
// user-interface thread the next time events are pumped, so they can take the
// same path as closing the main window. Returns 1 when installed.
int InstallQuitSignals(void (*onQuit)(void));
