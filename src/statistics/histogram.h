// The distribution of measured values: bins chosen from the data, the
// tolerance limits, the share out of tolerance on each side and the normal
// curve of the same mean and spread.
//
// How it works
// - Measured values are whole numbers (sub-pixels or micrometres), so a
//   distribution is kept as a table of (value, count), sorted by value: a
//   day of replies costs no more memory than the distinct values in it.
// - Bins follow Freedman and Diaconis: width 2 IQR / n^(1/3), rounded up to
//   a whole unit so that every bin holds as many possible values, at most
//   MAX_BINS bins (wider where the range asks for it). Bin edges sit half a
//   unit off the values.
// - Out of tolerance is counted per reply against its own set-point and
//   tolerance, below (value < tVal - tTol) and above (value > tVal + tTol),
//   as the run's statistics count it.
// - The run's distribution (the main window) is fed by the same call as the
//   statistics and reset with them; a review fills a table of its own.
#pragma once

#include <utility>
#include <vector>

#include "settings/riror14.h"

inline constexpr int MAX_BINS = 100; // bins of a histogram at most

// (value, count), sorted by value, every count above 0.
typedef std::vector<std::pair<int, long>> ValueTable;

struct HistogramFigures {
    double start = 0.0;       // left edge of the first bin, in the values' unit
    double width = 1.0;       // width of a bin, whole units
    std::vector<long> counts; // values per bin
    long total = 0;           // values in the table
    long replies = 0;         // replies below and above are counted over
    long below = 0;           // replies below their lower limit
    long above = 0;           // replies above their upper limit
    double mean = 0.0;        // of the values
    double sd = 0.0;          // sample standard deviation (n - 1)
    bool hasNormal = false;   // sd defined and above 0: the curve can be drawn
    double setPoint = 0.0;    // limits drawn, in the values' unit
    double lower = 0.0;       // setPoint - tolerance
    double upper = 0.0;       // setPoint + tolerance
    bool hasLimits = false;   // setPoint, lower and upper are set
};

// Fills bins, total, mean and sd of *out from a table; the replies out of
// tolerance and the limits are left as they are. An empty table gives no bins.
void BinValues(const ValueTable &table, HistogramFigures *out);

// The run's distribution: forgotten, and one reply added (um counts only
// with umShown 1), as the statistics take them.
void ResetRunHistogram(void);
void AddRunHistogramReply(u16 value, int um, int umShown, u16 setPoint, u16 tolerance);

// The run's distribution of the measured value (inUm 0, sub-pixels) or of the
// micrometre value (inUm 1); limits are those of the last reply in
// sub-pixels, for the caller to convert. false when the table is empty.
bool RunHistogram(int inUm, HistogramFigures *out);
