// Reading a recording back, and the figures and trend of a span of it.
#include "review/recordfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/linefile.h"
#include "recording/recorder.h"

// Columns of a row, as in the header: time, seconds, reply and the fields.
static const int FIELDS = 3 + RUN_FIELD_COUNT;
static const char TIME_SHAPE[] = "dddd-dd-ddTdd:dd:dd.ddd+dd:dd"; // d a digit, + either sign

// Whether the text has the shape of the recorder's local time.
static bool IsTime(std::string_view t) {
    if (t.size() != sizeof TIME_SHAPE - 1) return false;
    for (std::size_t i = 0; i < t.size(); i++) {
        const char shape = TIME_SHAPE[i], c = t[i];
        if (shape == 'd'   ? (c < '0' || c > '9')
            : shape == '+' ? (c != '+' && c != '-')
                           : c != shape)
            return false;
    }
    return true;
}

// A whole number in [lo, hi] filling the field.
static bool Whole(std::string_view f, long lo, long hi, long *v) {
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), *v);
    return ec == std::errc() && end == f.data() + f.size() && !f.empty() && *v >= lo && *v <= hi;
}

// Splits a row at its commas into fields; false unless there are FIELDS.
// The recorder quotes nothing: no field of a row holds a comma.
static bool Split(std::string_view row, std::string_view fields[FIELDS]) {
    int n = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = row.find(',', at);
        if (n == FIELDS) return false;
        fields[n++] = row.substr(at, comma == std::string_view::npos ? comma : comma - at);
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return n == FIELDS;
}

// Why a row cannot be taken, or nullptr when it can; the row's values in
// *out (its vectors' next elements) only when it can.
static const char *TakeRow(std::string_view row, Recording *out, std::string *time) {
    // The columns the review keeps, found by their names in the header.
    static const int LEDGE = RecordingColumn("Ledge"), REDGE = RecordingColumn("Redge"),
                     MVALUE = RecordingColumn("Mvalue"), UM = RecordingColumn("umValue"),
                     TVAL = RecordingColumn("tVal"), TTOL = RecordingColumn("tTol");
    static const std::string notWhole = "not " + std::to_string(FIELDS) + " fields";
    std::string_view f[FIELDS];
    if (!Split(row, f)) return notWhole.c_str();
    if (!IsTime(f[0])) return "no time";
    double seconds = 0.0;
    const auto [end, ec] = std::from_chars(f[1].data(), f[1].data() + f[1].size(), seconds);
    if (ec != std::errc() || end != f[1].data() + f[1].size() || !(seconds >= 0) ||
        seconds > MAX_SECONDS)
        return "no seconds";
    if (!out->seconds.empty() && seconds < out->seconds.back()) return "seconds go back";
    long v[FIELDS] = {};
    if (!Whole(f[2], 1, UINT32_MAX, &v[2])) return "no reply number";
    for (int i = 3; i < FIELDS; i++) {
        const RunFieldDef &field = RUN_FIELDS[i - 3];
        if (field.words == 2) {
            if (!f[i].empty() && !Whole(f[i], INT32_MIN + 1L, INT32_MAX, &v[i]))
                return "umValue is no whole number";
            continue;
        }
        if (!Whole(f[i], 0, 65535, &v[i])) return "a value is no whole number from 0 to 65535";
    }
    out->seconds.push_back(seconds);
    out->reply.push_back(static_cast<std::uint32_t>(v[2]));
    out->ledge.push_back(static_cast<u16>(v[LEDGE]));
    out->redge.push_back(static_cast<u16>(v[REDGE]));
    out->mvalue.push_back(static_cast<u16>(v[MVALUE]));
    out->um.push_back(f[UM].empty() ? NO_UM : static_cast<std::int32_t>(v[UM]));
    out->setPoint.push_back(static_cast<u16>(v[TVAL]));
    out->tolerance.push_back(static_cast<u16>(v[TTOL]));
    time->assign(f[0]);
    return nullptr;
}

// A gap before the last row taken, if there is one. The `damaged` rows left
// out between it and the row before may each have held one reply: the
// numbers may step over them without a gap (the rows are there, only
// unreadable, and already counted as damaged).
static void NoteGap(Recording *r, long damaged) {
    const std::size_t n = r->seconds.size();
    if (n < 2) return;
    const double from = r->seconds[n - 2], to = r->seconds[n - 1];
    const long a = r->reply[n - 2], b = r->reply[n - 1];
    if (b <= a || b > a + 1 + damaged || to - from > GAP_SECONDS)
        r->gaps.push_back({static_cast<long>(n - 1), from, to, a, b});
}

int ReadRecording(const char *path, Recording *out, char *error, int size,
                  volatile double *progress) {
    *out = Recording{};
    const auto esize = static_cast<std::size_t>(size);
    LineFile *file = LineFileOpen(path, error, esize);
    if (!file) return 0;
    const char *text;
    std::size_t length;
    int got = LineFileNext(file, &text, &length);
    std::string_view header = got > 0 ? std::string_view(text, length) : std::string_view();
    // A byte-order mark, as some editors write UTF-8, is no part of the header.
    if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);
    if (got <= 0 || header != RecordingHeader()) {
        if (got < 0)
            std::snprintf(error, esize, "Cannot read %s: %s", path, LineFileError(file));
        else if (got == 0)
            std::snprintf(error, esize, "%s is empty: it holds no recording.", path);
        else
            std::snprintf(error, esize,
                          "%s is no recording of this program: its first line is not the "
                          "recording's header.",
                          path);
        LineFileClose(file);
        return 0;
    }
    out->lines = 1;
    // About 100 bytes a row: room for all of them at once, none moved.
    const auto rows = static_cast<std::size_t>(LineFileSize(file) / 90 + 16);
    for (auto *v : {&out->ledge, &out->redge, &out->mvalue, &out->setPoint, &out->tolerance})
        v->reserve(rows);
    out->seconds.reserve(rows);
    out->reply.reserve(rows);
    out->um.reserve(rows);
    std::string time;
    long damagedSince = 0; // rows left out since the last row taken
    while ((got = LineFileNext(file, &text, &length)) > 0) {
        out->lines++;
        if (progress && (out->lines & 0xFFFF) == 0)
            *progress = double(LineFilePosition(file)) /
                        double(std::max<std::int64_t>(1, LineFileSize(file)));
        const std::string_view row(text, length);
        if (row.empty()) continue;
        const char *why = TakeRow(row, out, &time);
        if (why) {
            if (out->damaged++ < MAX_DAMAGED_LISTED) {
                out->damagedRows.push_back("line " + std::to_string(out->lines) + ": " + why);
                out->damagedBefore.push_back(static_cast<long>(out->seconds.size()));
            }
            damagedSince++;
            continue;
        }
        if (out->firstTime.empty()) out->firstTime = time;
        NoteGap(out, damagedSince);
        damagedSince = 0;
    }
    out->lastTime = time;
    if (got < 0) {
        std::snprintf(error, esize, "Cannot read %s: %s", path, LineFileError(file));
        LineFileClose(file);
        *out = Recording{};
        return 0;
    }
    LineFileClose(file);
    for (auto *v : {&out->ledge, &out->redge, &out->mvalue, &out->setPoint, &out->tolerance})
        v->shrink_to_fit();
    out->seconds.shrink_to_fit();
    out->reply.shrink_to_fit();
    out->um.shrink_to_fit();
    if (progress) *progress = 1.0;
    return 1;
}

void SpanRows(const Recording &r, double from, double to, long *first, long *end) {
    const auto b = r.seconds.begin();
    *first = std::lower_bound(b, r.seconds.end(), from) - b;
    *end = std::upper_bound(b, r.seconds.end(), to) - b;
    if (*end < *first) *end = *first;
}

bool SpanSummary(const Recording &r, long first, long end, RunSummary *out) {
    *out = RunSummary{};
    if (end <= first) return false;
    RunStats stats;
    for (long i = first; i < end; i++)
        stats.Add(r.mvalue[i], r.um[i], r.um[i] != NO_UM, r.setPoint[i], r.tolerance[i]);
    *out = stats.Summary();
    return true;
}

bool SpanHistogram(const Recording &r, long first, long end, HistogramFigures *out) {
    *out = HistogramFigures{};
    if (end <= first) return false;
    // Every value is 16 bits: count them in one table of all possible ones.
    std::vector<long> counts(65536, 0);
    long below = 0, above = 0;
    for (long i = first; i < end; i++) {
        const int v = r.mvalue[i], side = ToleranceSide(v, r.setPoint[i], r.tolerance[i]);
        counts[static_cast<std::size_t>(v)]++;
        below += side < 0;
        above += side > 0;
    }
    ValueTable table;
    for (int v = 0; v < 65536; v++)
        if (counts[static_cast<std::size_t>(v)])
            table.emplace_back(v, counts[static_cast<std::size_t>(v)]);
    BinValues(table, out);
    out->replies = end - first;
    out->below = below;
    out->above = above;
    out->setPoint = r.setPoint[end - 1];
    out->lower = out->setPoint - r.tolerance[end - 1];
    out->upper = out->setPoint + r.tolerance[end - 1];
    out->hasLimits = true;
    return true;
}

void TrendEnvelope(const Recording &r, int column, double from, double to, int pixels,
                   std::vector<double> *x, std::vector<double> *y) {
    x->clear();
    y->clear();
    const std::vector<u16> &values = column == TREND_LEDGE   ? r.ledge
                                     : column == TREND_REDGE ? r.redge
                                                             : r.mvalue;
    // Every row, or only those out of tolerance.
    const auto shown = [&r, all = column != TREND_OUT](long i) {
        return all || !InTolerance(r.mvalue[i], r.setPoint[i], r.tolerance[i]);
    };
    long first, end;
    SpanRows(r, from, to, &first, &end);
    if (pixels < 1 || !(to > from) || end <= first) return;
    const double perPixel = (to - from) / pixels;
    long i = first, lastPx = -2;
    bool left = false; // rows were left out since the last point
    while (i < end) {
        if (!shown(i)) {
            left = true;
            i++;
            continue;
        }
        const long px =
            std::min<long>(pixels - 1, static_cast<long>((r.seconds[i] - from) / perPixel));
        // No line across a gap: it would show values that were never measured.
        if (px > lastPx + 1 && i > 0 && (left || r.seconds[i] - r.seconds[i - 1] > GAP_SECONDS)) {
            x->push_back(r.seconds[i]);
            y->push_back(std::nan(""));
        }
        lastPx = px;
        left = false;
        const double limit = from + (px + 1) * perPixel;
        u16 lo = values[i], hi = values[i];
        // Every row of this column of pixels.
        for (i++; i < end && (r.seconds[i] < limit || px == pixels - 1); i++) {
            if (!shown(i)) continue;
            lo = std::min(lo, values[i]);
            hi = std::max(hi, values[i]);
        }
        const double key = from + (px + 0.5) * perPixel;
        x->push_back(key);
        y->push_back(lo);
        x->push_back(key);
        y->push_back(hi);
    }
}

void ToleranceBand(const Recording &r, double from, double to, int pixels, std::vector<double> *x,
                   std::vector<double> *lower, std::vector<double> *upper) {
    x->clear();
    lower->clear();
    upper->clear();
    long first, end;
    SpanRows(r, from, to, &first, &end);
    if (pixels < 1 || !(to > from) || end <= first) return;
    const double perPixel = (to - from) / pixels;
    long lastPx = -1;
    for (long i = first; i < end; i++) {
        if (i > first && r.setPoint[i] == r.setPoint[i - 1] && r.tolerance[i] == r.tolerance[i - 1])
            continue;
        const long px = i == first ? 0 : static_cast<long>((r.seconds[i] - from) / perPixel);
        if (px != lastPx) {
            x->push_back(i == first ? from : r.seconds[i]);
            lower->push_back(0);
            upper->push_back(0);
        }
        lastPx = px;
        lower->back() = r.setPoint[i] - r.tolerance[i];
        upper->back() = r.setPoint[i] + r.tolerance[i];
    }
    const double lo = lower->back(), hi = upper->back();
    x->push_back(to);
    lower->push_back(lo);
    upper->push_back(hi);
}

long NearestRow(const Recording &r, double at) {
    if (r.seconds.empty()) return -1;
    const auto b = r.seconds.begin();
    const long after = std::lower_bound(b, r.seconds.end(), at) - b;
    if (after == 0) return 0;
    if (after == static_cast<long>(r.seconds.size())) return after - 1;
    return at - r.seconds[after - 1] <= r.seconds[after] - at ? after - 1 : after;
}
