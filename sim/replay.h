// Replay of a recorded run: the object follows the edges a recording holds.
//
// A recording is the program's CSV file of a run (one row per measurement
// reply, a header line naming the columns). Of it the replay reads the
// seconds since the recording started and the words that place the object:
// Ledge, Redge, edcnt, mvstart and mvend. Other columns are ignored, so
// files with more or fewer of them are read as long as these are there.
//
// In time: the first measurement after power-up is at the recording's
// second 0; each later one shows the row in force at that moment (the last
// row whose time has come), and after the last row the recording starts
// over. The edges come back exactly as recorded, without the simulator's own
// jitter: with the recording's evaluation mode and window the measured values
// are the recorded ones.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wire.h"

namespace sim {

struct ReplayRow {
    double seconds = 0; // since the recording started
    u16 Ledge = 0, Redge = 0, edcnt = 0, mvstart = 0, mvend = 0;
};

struct Replay {
    std::vector<ReplayRow> rows; // in time order, at least one
    double length = 0;           // seconds before it starts over
};

// Reads a recording. False, with the reason in *error (naming the line), for
// a file that cannot be read, lacks one of the columns, has a malformed row
// or no row at all.
bool LoadReplay(const std::string &path, std::shared_ptr<const Replay> *replay, std::string *error);

// The row in force `elapsed` seconds after the replay started.
const ReplayRow &ReplayAt(const Replay &replay, double elapsed);

} // namespace sim
