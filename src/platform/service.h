// Headless run-time: the application object of a program without windows,
// and hand-offs from other threads to the main thread.
//
// How it works
// - InitServiceRuntime creates a core application object (no display, no
//   window system) on the calling thread, which becomes the main thread; the
//   event loop, the pump, tickers and serial callbacks of runtime.h then run
//   on it as in the desktop program.
// - PostToMainThread may be called from any thread (a library's network
//   thread, say): the routine runs later on the main thread, while events are
//   pumped, in the order posted. The caller never waits for it.
#pragma once

// Creates the core application object (once). Returns 1, or 0 on failure.
int InitServiceRuntime(int argc, char **argv);

// Runs fn(data) on the main thread the next time events are pumped.
void PostToMainThread(void (*fn)(void *data), void *data);
