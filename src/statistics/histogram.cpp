// Histograms with Freedman-Diaconis bins over tables of whole values.
#include "statistics/histogram.h"

#include "statistics/runstats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

static std::map<int, long> runValues; // Mvalue of the run's replies
static std::map<int, long> runUm;     // umValue of replies taken while shown
static long runBelow, runAbove;       // replies below / above their own limits
static u16 lastSetPoint, lastTolerance;

// The value of rank r (from 0) in a table, the values in order.
static int ValueAtRank(const ValueTable &table, long r) {
    long seen = 0;
    for (const auto &[value, count] : table) {
        seen += count;
        if (seen > r) return value;
    }
    return table.back().first;
}

// The value at quantile q (0..1) of a table of total values, interpolated
// between the two ranks around it.
static double Quantile(const ValueTable &table, long total, double q) {
    const double rank = q * static_cast<double>(total - 1);
    const long lo = static_cast<long>(std::floor(rank));
    const double frac = rank - static_cast<double>(lo);
    const double a = ValueAtRank(table, lo);
    return frac == 0.0 ? a : a + frac * (ValueAtRank(table, lo + 1) - a);
}

void BinValues(const ValueTable &table, HistogramFigures *out) {
    out->counts.clear();
    out->total = 0;
    out->hasNormal = false;
    out->mean = out->sd = 0.0;
    if (table.empty()) return;
    double sum = 0.0;
    for (const auto &[value, count] : table) {
        out->total += count;
        sum += static_cast<double>(value) * static_cast<double>(count);
    }
    const long n = out->total;
    out->mean = sum / static_cast<double>(n);
    double squares = 0.0;
    for (const auto &[value, count] : table)
        squares += static_cast<double>(count) * (value - out->mean) * (value - out->mean);
    if (n >= 2) {
        out->sd = std::sqrt(squares / static_cast<double>(n - 1));
        out->hasNormal = out->sd > 0.0;
    }

    const int lowest = table.front().first, highest = table.back().first;
    const double iqr = Quantile(table, n, 0.75) - Quantile(table, n, 0.25);
    double width = std::ceil(2.0 * iqr / std::cbrt(static_cast<double>(n)));
    if (width < 1.0) width = 1.0;
    const double span = static_cast<double>(highest) - lowest + 1.0;
    if (span / width > MAX_BINS) width = std::ceil(span / MAX_BINS);
    const int bins = static_cast<int>(std::ceil(span / width));
    out->width = width;
    out->start = lowest - 0.5;
    out->counts.assign(static_cast<std::size_t>(bins), 0);
    for (const auto &[value, count] : table) {
        const int bin = std::min(bins - 1, static_cast<int>((value - out->start) / width));
        out->counts[static_cast<std::size_t>(bin)] += count;
    }
}

void ResetRunHistogram(void) {
    runValues.clear();
    runUm.clear();
    runBelow = runAbove = 0;
    lastSetPoint = lastTolerance = 0;
}

void AddRunHistogramReply(u16 value, int um, int umShown, u16 setPoint, u16 tolerance) {
    runValues[value]++;
    if (umShown) runUm[um]++;
    const int side = ToleranceSide(value, setPoint, tolerance);
    runBelow += side < 0;
    runAbove += side > 0;
    lastSetPoint = setPoint;
    lastTolerance = tolerance;
}

bool RunHistogram(int inUm, HistogramFigures *out) {
    const std::map<int, long> &source = inUm ? runUm : runValues;
    const ValueTable table(source.begin(), source.end());
    BinValues(table, out);
    out->replies = 0;
    for (const auto &entry : runValues)
        out->replies += entry.second;
    out->below = runBelow;
    out->above = runAbove;
    out->setPoint = lastSetPoint;
    out->lower = static_cast<double>(lastSetPoint) - lastTolerance;
    out->upper = static_cast<double>(lastSetPoint) + lastTolerance;
    out->hasLimits = !runValues.empty();
    return !table.empty();
}
