// The monitor's life: start, the run loop without end, the clean stop.
//
// How it works
// - The publisher connects in the background; READY=1 follows the valid
//   configuration at once, whether or not the broker or the sensor is there
//   (the link's state goes to STATUS and BASE/link).
// - The run loop turns on the main thread and pumps events as it waits for
//   each reply; the broker's events, the tickers (statistics, watchdog and
//   status, the recording's flush) and the quit signals run inside that pump.
// - SIGTERM or SIGINT ends the loop with the reply in flight, which is
//   published and recorded: the recording is flushed, "offline" published,
//   and the exit code is 0.
#pragma once

#include "monitor/config.h"

// Runs until a quit signal. Returns the exit code.
int RunMonitor(const MonitorConfig &config);

// Counts of the reply rate for the status line and the benchmark.
struct MonitorCounts {
    long replies = 0;       // measurements taken since start
    double replyRate = 0.0; // replies per second over the last status period
};
MonitorCounts MonitorState(void);
