// One recording per local day, in the recorder's format.
#include "monitor/record.h"

#include <cstdio>
#include <cstring>

#include "platform/configsource.h"
#include "platform/ticker.h"
#include "recording/recorder.h"

namespace {

std::string folder;  // where the days' files go; "" records nothing
std::string day;     // "YYYY-MM-DD" of the file open, or of the day that failed
bool failed = false; // the day's file failed: nothing more until the next day

void Say(const char *what) {
    std::fprintf(stderr, "vortelix-monitor: recording %s: %s\n", RecordingPath(), what);
}

// The first name of the day that no file holds yet.
std::string DayFile(const std::string &date) {
    std::string stem =
        folder + "/VTLXmonitor-" + date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2);
    std::string path = stem + ".csv";
    for (int n = 2; FileIsReadable(path.c_str()); n++)
        path = stem + "-" + std::to_string(n) + ".csv";
    return path;
}

// Starts the file of the day date ("YYYY-MM-DD...").
void StartDay(const std::string &date) {
    StopRecordingDays();
    day = date.substr(0, 10);
    failed = !StartRecording(DayFile(day).c_str());
    if (failed) Say(RecordingError());
}

} // namespace

void StartRecordingDays(const std::string &where) {
    folder = where;
    if (folder.empty()) return;
    // At once, so that a row's seconds count from before its reply.
    char now[40];
    LocalTimeISO(now, sizeof now);
    StartDay(now);
}

void RecordMeasurement(const RunReply &r) {
    if (folder.empty()) return;
    if (day.compare(0, 10, r.localTime, 10) != 0) StartDay(r.localTime);
    if (!failed) RecordReply(r, 1);
}

void FlushRecordingDays(void) {
    if (RecordingActive() && !FlushRecording()) {
        failed = true;
        Say(RecordingError());
    }
}

void StopRecordingDays(void) {
    if (RecordingActive() && !StopRecording()) Say(RecordingError());
}
