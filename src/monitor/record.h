// The monitor's recording: the desktop program's recording format, one file
// per local day in the folder given, so the plant keeps every measurement on
// disk whatever the broker does.
//
// A day's file is VTLXmonitor-YYYYMMDD.csv. A monitor restarted that day goes
// on with it: its rows follow the last whole row there (a line a crash cut
// short is cut off), numbered and timed on from it. A file of that name that
// is no recording of this program is left as it is, with a message, and the
// next free one of VTLXmonitor-YYYYMMDD-2.csv, -3, ... is taken. The file's
// path is said on standard error when it starts and each new day. A failed
// write ends the day's file with a message; the next day starts anew.
#pragma once

#include <string>

#include "com232/measure.h"

// Records into folder from now on ("" records nothing).
void StartRecordingDays(const std::string &folder);

// Adds the row of the reply just taken (its measurement variables hold it).
void RecordMeasurement(const RunReply &r);

// Writes what is buffered; called at least once a second.
void FlushRecordingDays(void);

// Writes what is buffered and closes the file.
void StopRecordingDays(void);

// The file being written, "" when none is, and its rows (the header not
// counted, the rows of an earlier run of the day counted).
std::string RecordingDayFile(void);
long RecordingDayRows(void);
