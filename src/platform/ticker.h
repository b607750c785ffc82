// Tickers: a routine called at a steady interval from the event loop, and
// the local time of day as text.
//
// How it works
// - A ticker's routine runs on the user-interface thread whenever events are
//   pumped (RunUserInterface, ProcessSystemEvents, PumpEvents) and its
//   interval has passed, so a loop that pumps events keeps it going.
// - A routine that takes longer than the interval delays the next call; calls
//   are never stacked.
#pragma once

#include <cstddef>

// Calls onTick every `seconds` from now on. Returns a ticker id > 0, or 0.
int StartTicker(double seconds, void (*onTick)(void));

// Stops a ticker. Returns 1, or 0 for an unknown id.
int StopTicker(int id);

// The local date and time of now as ISO 8601 with milliseconds and the
// offset from UTC ("2026-12-08T06:34:29.123+01:00"). Returns the length.
int LocalTimeISO(char *text, std::size_t size);

// The local date and time of now for a file name: "YYYYMMDD-HHMMSS".
int LocalTimeForName(char *text, std::size_t size);
