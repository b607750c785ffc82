// The monitor's side of the sensor link: the link chain, the run loop, the
// port watched and reopened, each reply published and recorded.
//
// How it works
// - LinkStart opens the port and runs the desktop program's link chain (echo,
//   identification, parameters from RAM, firmware text), publishing link,
//   identity and parameters. A port that is missing is retried with a
//   back-off; the chain runs again whenever the port comes back.
// - LinkTurn takes one measurement (a request carrying the parameter set read
//   from RAM, so the sensor's settings never change), pumping events while it
//   waits. A late reply sets link to "no reply" and asks again.
// - Every routine returns early once *quit is set.
#pragma once

#include "monitor/config.h"

void LinkStart(const MonitorConfig &config, const int *quit);
void LinkTurn(const int *quit);

// Ends the run loop after its current pass (a quit signal came).
void LinkQuit(void);

// Flushes the recording and closes the port.
void LinkStop(void);

// Writes what the recording holds (the health ticker calls it each second).
void LinkFlushRecording(void);

// Measurements taken since start.
long LinkReplies(void);

// "ok", "no reply" or "port missing".
const char *LinkStateText(void);

// The link's figures for BASE/health.
struct LinkCounts {
    const char *state; // as LinkStateText
    double stateSince; // Timer() when the link came into it
    long replies;      // as LinkReplies
    long linkErrors;   // turns of the run loop that ended without a reply
};
LinkCounts LinkState(void);
