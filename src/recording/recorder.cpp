// The CSV recorder: one row per measurement reply.
#include "recording/recorder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

static int file = 0;              // row-file handle while recording, else 0
static double startTime = 0.0;    // Timer() when the recording started
static double startSeconds = 0.0; // the seconds of startTime: 0, or where a recording went on
static long rows = 0;             // rows added (buffered ones included)
static char path[1024] = "";      // file of the current or last recording
static char error[512] = "";      // why the last recording ended, or ""

int StartRecording(const char *target) {
    return StartRecordingFrom(target, Timer());
}

int StartRecordingFrom(const char *target, double origin) {
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
    startTime = origin;
    startSeconds = 0.0;
    return 1;
}

// Seconds since 1970 of a time as LocalTimeISO writes it
// ("2026-12-09T04:50:07.123+01:00"); false for any other text.
static bool EpochSeconds(const std::string &t, double *out) {
    int y, mo, d, h, mi, oh, om;
    double sec;
    char sign;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%c%2d:%2d", &y, &mo, &d, &h, &mi, &sec,
                    &sign, &oh, &om) != 9 ||
        (sign != '+' && sign != '-'))
        return false;
    // Days from 1970-01-01 of the civil date (the proleptic Gregorian calendar).
    y -= mo <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
    const long doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    const double offset = (sign == '-' ? -1 : 1) * (oh * 3600.0 + om * 60.0);
    *out = static_cast<double>(days) * 86400.0 + h * 3600.0 + mi * 60.0 + sec - offset;
    return true;
}

// A row's time, seconds and reply number, as the recorder writes them.
static bool LeadingColumns(const std::string &row, double *when, double *seconds, long *reply) {
    const std::size_t a = row.find(','), b = a == std::string::npos ? a : row.find(',', a + 1);
    if (b == std::string::npos || !EpochSeconds(row.substr(0, a), when)) return false;
    char *end = nullptr;
    *seconds = std::strtod(row.c_str() + a + 1, &end);
    if (end != row.c_str() + b || !(*seconds >= 0)) return false;
    *reply = std::strtol(row.c_str() + b + 1, &end, 10);
    return *end == ',' && *reply >= 1;
}

int ContinueRecording(const char *target, const char *localTime, double origin) {
    if (file) StopRecording();
    std::snprintf(path, sizeof path, "%s", target);
    error[0] = '\0';
    rows = -1;
    std::FILE *f = std::fopen(target, "rb");
    if (!f) {
        std::snprintf(error, sizeof error, "Cannot open %s: %s", target, std::strerror(errno));
        return 0;
    }
    const std::string header = std::string(RecordingHeader()) + "\r\n";
    std::string first(header.size(), '\0');
    const bool headed =
        std::fread(first.data(), 1, first.size(), f) == first.size() && first == header;
    // Rows are about a hundred bytes: the file's end holds the last whole one.
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    const long from = size > 4096 ? size - 4096 : 0;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    std::fseek(f, from, SEEK_SET);
    const bool read = std::fread(tail.data(), 1, tail.size(), f) == tail.size();
    std::fclose(f);
    const std::size_t lineEnd = tail.rfind('\n');
    const long whole = lineEnd == std::string::npos ? 0 : from + static_cast<long>(lineEnd) + 1;
    double lastWhen = 0.0, lastSeconds = 0.0;
    long lastReply = 0;
    bool ours = headed && read && whole >= static_cast<long>(header.size());
    if (ours && whole > static_cast<long>(header.size())) {
        const std::size_t lineStart = tail.rfind('\n', lineEnd - 1);
        ours = lineStart != std::string::npos &&
               LeadingColumns(tail.substr(lineStart + 1, lineEnd - lineStart - 1), &lastWhen,
                              &lastSeconds, &lastReply);
    }
    if (!ours) {
        std::snprintf(error, sizeof error,
                      "%s is no recording of this program: its first line is not the "
                      "recording's header or its last line is no row",
                      target);
        return -1;
    }
    file = AppendFileContinue(target, whole, lastReply + 1, error, sizeof error);
    if (!file) return 0;
    rows = lastReply;
    startTime = origin;
    // The seconds never go back: a clock set back since counts as no time.
    double now = 0.0;
    const double since = lastReply > 0 && EpochSeconds(localTime, &now) ? now - lastWhen : 0.0;
    startSeconds = lastSeconds + (since > 0 ? since : 0.0);
    return whole < size ? 2 : 1;
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
    const RecordingRow fields = {r.localTime, startSeconds + r.monotonic - startTime, rows + 1, r,
                                 umShown};
    char row[256];
    const int n = FormatRecordingRow(fields, row, sizeof row);
    if (AppendFileAdd(file, row, static_cast<std::size_t>(n))) rows++;
}

void ResetRecorder(void) {
    StopRecording();
    path[0] = error[0] = '\0';
    rows = 0;
    startTime = startSeconds = 0.0;
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
