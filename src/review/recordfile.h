// A recording read back for review: the rows of a CSV file written by the
// recorder (or by the monitor, in the same format), their gaps, and the
// figures of any span of them.
//
// How it works
// - ReadRecording reads the file as a stream of lines. The first must be the
//   recording's header, else the file is refused. Each row must have the
//   sixteen fields of the header, a time, non-decreasing seconds up to
//   MAX_SECONDS (beyond, a span of them would be no span: a second added
//   would change nothing) and whole numbers in range; a row that does not
//   is reported with its line number and left out, never taken as a value.
// - The rows are kept as columns of what the review shows (seconds, reply,
//   edges, measured value, micrometres, set-point and tolerance): about 26
//   bytes a row, some 60 MB for a day at 26 replies a second.
// - A gap lies before a row whose reply number is not the one after the
//   previous row's, or that came more than GAP_SECONDS after it. Damaged
//   rows between them count as the replies they stood for, not as a gap.
// - A UTF-8 byte-order mark before the header is allowed; an empty file is
//   refused as empty.
// - A span is the rows whose seconds lie in [from, to]; its figures are
//   computed afresh from the rows, its trend reduced to a minimum and a
//   maximum per column of pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/riror14.h"
#include "statistics/histogram.h"
#include "statistics/runstats.h"

inline constexpr double GAP_SECONDS = 1.0;       // rows further apart than this make a gap
inline constexpr double MAX_SECONDS = 1e9;       // seconds of a row, at most (some 31 years)
inline constexpr int MAX_DAMAGED_LISTED = 100;   // damaged rows reported by line, at most
inline constexpr std::int32_t NO_UM = INT32_MIN; // umValue of a row that has none

// A break in the rows: before row `row`.
struct RecordGap {
    long row = 0;       // index of the row after the gap
    double from = 0.0;  // seconds of the row before
    double to = 0.0;    // seconds of the row after
    long replyFrom = 0; // reply number of the row before
    long replyTo = 0;   // reply number of the row after
};

struct Recording {
    std::vector<double> seconds;           // since the recording started, non-decreasing
    std::vector<std::uint32_t> reply;      // reply number
    std::vector<u16> ledge, redge, mvalue; // edges and measured value, sub-pixels
    std::vector<u16> setPoint, tolerance;  // tVal, tTol, sub-pixels
    std::vector<std::int32_t> um;          // umValue, NO_UM where the row has none
    std::string firstTime, lastTime;       // time of the first and last row, as written
    long lines = 0;                        // lines read, the header included
    long damaged = 0;                      // rows left out
    std::vector<std::string> damagedRows;  // "line 17: ..." for the first MAX_DAMAGED_LISTED
    std::vector<long> damagedBefore;       // for each of those, the row taken next (or the count)
    std::vector<RecordGap> gaps;           // in the order of the rows
};

// Reads path into *out (emptied first). Returns 1; or 0 when the file cannot
// be read or is no recording, with the reason in error (size bytes).
// progress, when given, is set to the share read (0..1) as it goes.
int ReadRecording(const char *path, Recording *out, char *error, int size,
                  volatile double *progress = nullptr);

// Rows in the span [from, to] of seconds: [*first, *end).
void SpanRows(const Recording &r, double from, double to, long *first, long *end);

// Statistics of rows [first, end) as the run's statistics give them: value
// and um series, out of tolerance against each row's own limits, Cp and Cpk
// against the last row's. false when the span has no row.
bool SpanSummary(const Recording &r, long first, long end, RunSummary *out);

// The histogram of the measured value over rows [first, end), limits of the
// span's last row. false when the span has no row.
bool SpanHistogram(const Recording &r, long first, long end, HistogramFigures *out);

// Which column of a recording a trend shows: TREND_OUT is the measured
// value of the rows out of tolerance only.
enum { TREND_MVALUE = 0, TREND_LEDGE = 1, TREND_REDGE = 2, TREND_OUT = 3 };

// The trend of a column over [from, to] reduced for `pixels` columns of
// pixels: for each column that holds rows, its key (the middle of the
// column) twice, with the column's minimum and its maximum, so that a line
// through the points covers every value. A NaN breaks the line across a gap
// and, for TREND_OUT, between stretches out of tolerance. x and y are
// replaced.
void TrendEnvelope(const Recording &r, int column, double from, double to, int pixels,
                   std::vector<double> *x, std::vector<double> *y);

// The tolerance limits over [from, to] as steps: a point at `from` with the
// limits of the span's first row, one where a row's limits differ from the
// row's before (the last of a column of pixels when several do), and the
// last row's limits again at `to`. x, lower and upper are replaced; empty
// when the span has no row.
void ToleranceBand(const Recording &r, double from, double to, int pixels, std::vector<double> *x,
                   std::vector<double> *lower, std::vector<double> *upper);

// The row nearest to `at` seconds; -1 for an empty recording.
long NearestRow(const Recording &r, double at);
