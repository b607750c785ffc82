// One recording per local day, in the recorder's format.
#include "monitor/record.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/runtime.h"
#include "platform/ticker.h"
#include "recording/recorder.h"

namespace {

std::string folder;  // where the days' files go; "" records nothing
std::string day;     // "YYYY-MM-DD" of the file open, or of the day that failed
bool failed = false; // the day's file failed: nothing more until the next day

void Say(const char *what) {
    std::fprintf(stderr, "vortelix-monitor: recording %s: %s\n", RecordingPath(), what);
}

// Starts or goes on with the file of the day of localTime, the reply's or
// now's, whose Timer() value is origin: the seconds of the day's first row
// count from the moment it was taken, never from after it.
void StartDay(const char *localTime, double origin) {
    StopRecordingDays();
    day.assign(localTime, 10);
    const std::string stem =
        folder + "/VTLXmonitor-" + day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2);
    std::string path = stem + ".csv";
    int started = 0;
    for (int n = 2;; n++) {
        if (access(path.c_str(), F_OK) != 0) {
            started = StartRecordingFrom(path.c_str(), origin);
            break;
        }
        started = ContinueRecording(path.c_str(), localTime, origin);
        if (started == 2) Say("a line a write cut short was cut off its end");
        if (started >= 0) break;
        // Someone else's file of that name is left as it is.
        Say(RecordingError());
        path = stem + "-" + std::to_string(n) + ".csv";
    }
    failed = started == 0;
    if (failed)
        Say(RecordingError());
    else
        std::fprintf(stderr, "vortelix-monitor: recording to %s\n", RecordingPath());
}

} // namespace

void StartRecordingDays(const std::string &where) {
    folder = where;
    if (folder.empty()) return;
    // At once, so that a row's seconds count from before its reply.
    char now[40];
    LocalTimeISO(now, sizeof now);
    StartDay(now, Timer());
}

void RecordMeasurement(const RunReply &r) {
    if (folder.empty()) return;
    if (day.compare(0, 10, r.localTime, 10) != 0) StartDay(r.localTime, r.monotonic);
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

std::string RecordingDayFile(void) {
    return RecordingActive() ? RecordingPath() : "";
}

long RecordingDayRows(void) {
    return RecordingActive() ? RecordingRows() : 0;
}
