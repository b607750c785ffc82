// The monitor's recording: the desktop program's recording format, one file
// per local day in the folder given, so the plant keeps every measurement on
// disk whatever the broker does.
//
// A day's file is VTLXmonitor-YYYYMMDD.csv; when a file of that name is there
// already (the monitor restarted that day) the next free one of
// VTLXmonitor-YYYYMMDD-2.csv, -3, ... is taken, so nothing is overwritten. A
// failed write ends the day's file with a message; the next day starts anew.
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
