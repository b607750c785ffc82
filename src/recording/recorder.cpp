// The CSV recorder: one row per measurement reply.
#include "recording/recorder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/riror14.h"
#include "platform/appendfile.h"
#include "platform/runtime.h"
#include "platform/ticker.h"

// The time, the seconds and the reply number, then the reply's fields.
static constexpr int LEADING_COLUMNS = 3;

const char *RecordingHeader(void) {
    static const std::string header = [] {
        std::string h = "time,seconds [s],reply";
        for (const RunFieldDef &f : RUN_FIELDS) {
            h += std::string(",") + f.name;
            if (*FieldUnitName(f.unit)) h += std::string(" [") + FieldUnitName(f.unit) + "]";
        }
        return h;
    }();
    return header.c_str();
}

int RecordingColumn(const char *field) {
    for (int i = 0; i < RUN_FIELD_COUNT; i++)
        if (std::strcmp(RUN_FIELDS[i].name, field) == 0) return LEADING_COLUMNS + i;
    return -1;
}

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
    file = AppendFileCreate(path, (std::string(RecordingHeader()) + "\r\n").c_str(), error,
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
    // Writes into a file that was removed (its folder included) succeed and
    // reach nothing: the recording would count rows that no file holds.
    if (!AppendFileNamedBy(file, path)) {
        std::snprintf(error, sizeof error, "the file was removed or moved");
        rows = 0;
        AppendFileClose(file, nullptr, 0);
        file = 0;
        return 0;
    }
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

int FormatRecordingRow(const RecordingRow &r, char *text, int size) {
    std::string row = r.time;
    char field[32];
    std::snprintf(field, sizeof field, ",%.3f,%ld", r.seconds, r.reply);
    row += field;
    for (const RunFieldDef &f : RUN_FIELDS) {
        row += ',';
        // The micrometre value is left empty where the window did not show it.
        if (f.unit == FieldUnit::Micrometre && !r.umShown) continue;
        row += std::to_string(RunFieldValue(r.values, f));
    }
    row += "\r\n";
    return std::snprintf(text, static_cast<std::size_t>(size), "%s", row.c_str());
}

void RecordReply(const RunReply &r, int umShown) {
    if (!file) return;
    const RecordingRow fields = {r.localTime, r.monotonic - startTime, rows + 1, r, umShown};
    char row[256];
    const int n = FormatRecordingRow(fields, row, sizeof row);
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
