// The JSON texts the monitor publishes (UTF-8, one object on one line each,
// written by the platform's JSON writer).
#pragma once

#include <string>

#include "com232/measure.h"
#include "statistics/runstats.h"

// BASE/link: {"state":...,"time":...,"text":...}.
std::string LinkJson(const char *state, const char *text);

// BASE/statistics: the run's figures (null where undefined) and the count of
// measurements dropped while the broker was away.
std::string StatisticsJson(const RunSummary &s, long dropped);

// BASE/measurement: seq, the local time and the words by the recording's
// names, and whether the measured value lies within the tolerance.
std::string MeasurementJson(long seq, const RunReply &r);

// BASE/identity: the identity words by name (the pixel count as reported),
// the sensor's description, the firmware text, the port and this program's
// version.
std::string IdentityJson(const char *port);

// BASE/parameters: the sixteen parameter words by name.
std::string ParametersJson(void);
