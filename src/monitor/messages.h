// The JSON texts the monitor publishes (UTF-8, one object on one line each,
// written by the platform's JSON writer).
#pragma once

#include <string>

#include "com232/measure.h"
#include "platform/jsondoc.h"
#include "statistics/runstats.h"

// Every message of a monitor's life carries its session: the local time it
// started, so a reader sees a restart (seq begins again at 1). Stamped once,
// at start; "" before.
void StartSession(void);

// Forgets the run statistics (ResetRunStatistics) and stamps the local time
// from which they count again: at start and when a new sensor is identified.
void RestartStatistics(void);

// BASE/link: {"state":...,"time":...,"text":...}.
std::string LinkJson(const char *state, const char *text);

// BASE/statistics: the run's figures (null where undefined) and the count of
// measurements dropped while the broker was away; then the session, the time
// since which it counts, the unit of the positions, the limits of the last
// reply and the figures of the micrometre value.
std::string StatisticsJson(const RunSummary &s, long dropped);

// BASE/measurement: seq, the local time and the words by the recording's
// names, and whether the measured value lies within the tolerance; then the
// session, the sensor's type, the units of the positions and of umValue and
// the evaluation mode by name (null for one the sensor does not know).
std::string MeasurementJson(long seq, const RunReply &r);

// The sensor's description: the two lines of its type's row, UTF-8; "" for a
// type without text.
std::string SensorDescription(void);

// BASE/identity: the identity words by name (the pixel count as reported),
// the sensor's description, the firmware text, the port and this program's
// version.
std::string IdentityJson(const char *port);

// BASE/parameters: the sixteen parameter words by name.
std::string ParametersJson(void);

// What BASE/health tells of the monitor's running.
struct HealthFigures {
    double uptime = 0.0;        // s since the monitor started
    double replyRate = 0.0;     // replies per second over the last status period
    long replies = 0;           // measurements taken since start
    long queued = 0;            // measurements waiting for the broker or its answer
    long dropped = 0;           // dropped from a full queue
    long reconnects = 0;        // connections to the broker after the first
    long linkErrors = 0;        // turns of the run loop that got no reply
    const char *linkState = ""; // as BASE/link says it
    double linkStateFor = 0.0;  // s since the link came into that state
    std::string recording;      // the day's file, "" when none is written
    long recordingRows = 0;     // rows in it
};

// BASE/health: the figures above, the session and the time.
std::string HealthJson(const HealthFigures &h);

// BASE/command/result: {"id","command","ok","text","time"}, the id as it was
// sent (null for none) and the command's name (null for none).
std::string CommandResultJson(const JsonItem &id, const std::string &name, bool ok,
                              const std::string &text);
