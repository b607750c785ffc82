// The JSON texts the monitor publishes (UTF-8, one object each).
#pragma once

#include <string>

#include "statistics/runstats.h"

// Appends "text" as a JSON string, quoted and escaped.
void AppendJsonString(std::string *out, const std::string &text);

// BASE/link: {"state":...,"time":...,"text":...}.
std::string LinkJson(const char *state, const char *text);

// BASE/statistics: the run's figures (null where undefined) and the count of
// measurements dropped while the broker was away.
std::string StatisticsJson(const RunSummary &s, long dropped);
