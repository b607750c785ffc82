// The CSV recorder: one row per measurement reply.
#include "recording/recorder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/riror14.h"
#include "platform/appendfile.h"
#include "platform/runtime.h"
#include "platform/ticker.h"

const char RECORDING_HEADER[] =
    "time,seconds [s],reply,Ledge [sub-pixel],Redge [sub-pixel],Mvalue [sub-pixel],"
    "umValue [\xC2\xB5m],tVal [sub-pixel],tTol [sub-pixel],edcnt,mvstart,mvend,dynpower,"
    "anaMax,anaMin,in0";

static int file = 0;           // row-file handle while recording, else 0
static double startTime = 0.0; // Timer() when the recording started
static long rows = 0;          // rows added (buffered ones included)
static char path[1024] = "";   // file of the current or last recording
static char error[512] = "";   // why the last recording ended, or ""

int StartRecording(const char *target) {
    if (file) StopRecording();
    std::snprintf(path, sizeof path, "%s", target);
    error[0] = '\0';
    rows = 0;
    file = AppendFileCreate(path, (std::string(RECORDING_HEADER) + "\r\n").c_str(), error,
                            sizeof error);
    if (!file) {
        rows = -1;
        return 0;
    }
    startTime = Timer();
    return 1;
}

int FlushRecording(void) {
    if (!file) return 1;
    if (AppendFileFlush(file, error, sizeof error)) return 1;
    // The rows that did not reach the disk are not counted as recorded.
    rows = static_cast<long>(AppendFileLines(file)) - 1;
    AppendFileClose(file, nullptr, 0);
    file = 0;
    return 0;
}

int StopRecording(void) {
    if (!file) return 1;
    int ok = AppendFileFlush(file, error, sizeof error);
    if (!ok) rows = static_cast<long>(AppendFileLines(file)) - 1;
    if (ok)
        ok = AppendFileClose(file, error, sizeof error);
    else
        AppendFileClose(file, nullptr, 0);
    file = 0;
    return ok;
}

void RecordReply(const RunReply &r, int umShown) {
    if (!file) return;
    char um[16] = "";
    if (umShown) std::snprintf(um, sizeof um, "%d", r.umValue);
    char row[256];
    const int n = std::snprintf(
        row, sizeof row, "%s,%.3f,%ld,%u,%u,%u,%s,%u,%u,%u,%u,%u,%u,%u,%u,%u\r\n", r.localTime,
        r.monotonic - startTime, rows + 1, r.Ledge, r.Redge, r.Mvalue, um, r.tVal, r.tTol, r.edcnt,
        r.mvstart, r.mvend, r.dynpower, r.anaMax, r.anaMin, r.in0);
    if (AppendFileAdd(file, row, static_cast<std::size_t>(n))) rows++;
}

void ResetRecorder(void) {
    StopRecording();
    path[0] = error[0] = '\0';
    rows = 0;
    startTime = 0.0;
}

int RecordingActive(void) {
    return file != 0;
}

long RecordingRows(void) {
    return rows;
}

const char *RecordingPath(void) {
    return path;
}

const char *RecordingError(void) {
    return error;
}

void DefaultRecordingName(char *name, int size) {
    char stamp[24];
    LocalTimeForName(stamp, sizeof stamp);
    std::snprintf(name, static_cast<std::size_t>(size), "VTLXrun-%s.csv", stamp);
}
