// The monitor's side of the sensor link: the link chain, the run loop, the
// port watched and reopened, each reply published and recorded.
//
// How it works
// - The link is in one of the states "starting", "ok", "no reply", "port
//   missing" and "port in use". Each change goes to BASE/link (retained, with
//   a text saying why) and as one line to standard error; a state that lasts
//   says nothing more.
// - Until the state is "ok", LinkTurn runs the desktop program's link chain
//   (echo, identification, parameters from RAM, firmware text): at once
//   while the port is there, and with a back-off from 1 s to 30 s while it is
//   missing or held by another program.
// - Once the chain has run, LinkTurn runs the measurement loop, each request
//   carrying the parameter set just read from RAM, so the sensor's settings
//   never change. A late reply ("no reply") or a lost line ("port missing")
//   sends it back to the chain: whatever answers next is identified first,
//   and a sensor other than the one before has its identity and parameters
//   published anew and its statistics restarted.
// - A quit signal lets the reply in flight come (published and recorded) and
//   sends no request after it. Every routine returns early once *quit is set.
#pragma once

#include "monitor/config.h"

// Sets the link up (nothing sent yet) and says "starting".
void LinkStart(const MonitorConfig &config, const int *quit);
// One step: the chain while the link is not "ok", else the run loop until it
// ends.
void LinkTurn(const int *quit);

// Flushes the recording and closes the port.
void LinkStop(void);

// Writes what the recording holds (the health ticker calls it each second).
void LinkFlushRecording(void);

// Measurements taken since start.
long LinkReplies(void);

// The link's state by name.
const char *LinkStateText(void);

struct LinkCounts {
    const char *state; // LinkStateText()
    double stateSince; // Timer() when the state began
    long replies;      // measurements taken since start
    long linkErrors;   // run loops ended by a silent sensor or a lost line
};
LinkCounts LinkState(void);
