// Running statistics of the current run (Welford's update).
#include "statistics/runstats.h"

#include <cmath>
#include <cstdio>
#include <cstring>

int ToleranceSide(int value, int setPoint, int tolerance) {
    return value < setPoint - tolerance ? -1 : value > setPoint + tolerance ? 1 : 0;
}

void StatAccumulator::Add(double x) {
    n++;
    const double delta = x - mean;
    mean += delta / static_cast<double>(n);
    m2 += delta * (x - mean);
    if (n == 1 || x < min) min = x;
    if (n == 1 || x > max) max = x;
}

StatSeries StatAccumulator::Series() const {
    StatSeries s;
    s.count = n;
    if (n >= 1) {
        s.hasMean = true;
        s.mean = mean;
        s.min = min;
        s.max = max;
    }
    if (n >= 2) {
        // Rounding can leave a tiny negative sum for equal values.
        s.sd = std::sqrt(m2 > 0 ? m2 / static_cast<double>(n - 1) : 0.0);
        s.hasSd = true;
    }
    return s;
}

void RunStats::Add(u16 measured, int micrometres, int umShown, u16 setPoint, u16 tolerance) {
    value.Add(measured);
    if (umShown) um.Add(micrometres);
    if (!InTolerance(measured, setPoint, tolerance)) outOfTolerance++;
    lastSetPoint = setPoint;
    lastTolerance = tolerance;
}

RunSummary RunStats::Summary() const {
    RunSummary s;
    s.value = value.Series();
    s.um = um.Series();
    s.outOfTolerance = outOfTolerance;
    if (value.n > 0) {
        s.hasOutShare = true;
        s.outShare = static_cast<double>(outOfTolerance) / static_cast<double>(value.n);
    }
    s.setPoint = lastSetPoint;
    s.tolerance = lastTolerance;
    // A spread of zero (every value equal) has no capability figure: it would
    // be infinite.
    if (s.value.hasSd && s.value.sd > 0) {
        const double upper = s.setPoint + s.tolerance, lower = s.setPoint - s.tolerance;
        s.cp = (upper - lower) / (6 * s.value.sd);
        s.cpk = std::fmin(upper - s.value.mean, s.value.mean - lower) / (3 * s.value.sd);
        s.hasCp = s.hasCpk = true;
    }
    return s;
}

static RunStats run; // the current run's; reset on Run, Video and the Reset button

void ResetRunStatistics(void) {
    run = RunStats{};
}

void AddRunReply(u16 measured, int um, int umShown, u16 setPoint, u16 tolerance) {
    run.Add(measured, um, umShown, setPoint, tolerance);
}

long RunStatisticsCount(void) {
    return run.value.n;
}

bool RunStatisticsSummary(RunSummary *out) {
    *out = run.Summary();
    return run.value.n > 0;
}

double ZeroUnsigned(double v, int decimals) {
    return std::fabs(v) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : v;
}

// One figure, or a dash when it is undefined.
static void Figure(char *text, std::size_t size, bool defined, int decimals, double v) {
    if (defined)
        std::snprintf(text, size, "%.*f", decimals, ZeroUnsigned(v, decimals));
    else
        std::snprintf(text, size, "-");
}

void FormatStatSeries(const StatSeries &s, char *text, int size) {
    char mean[32], sd[32], min[32], max[32];
    Figure(mean, sizeof mean, s.hasMean, 2, s.mean);
    Figure(sd, sizeof sd, s.hasSd, 3, s.sd);
    Figure(min, sizeof min, s.hasMean, 0, s.min);
    Figure(max, sizeof max, s.hasMean, 0, s.max);
    std::snprintf(text, static_cast<std::size_t>(size), "n %ld  mean %s  sd %s  min %s  max %s",
                  s.count, mean, sd, min, max);
}

void FormatToleranceFigures(const RunSummary &s, char *text, int size) {
    char share[32], cp[32], cpk[32];
    Figure(share, sizeof share, s.hasOutShare, 2, 100.0 * s.outShare);
    if (s.hasOutShare) std::strncat(share, " %", sizeof share - std::strlen(share) - 1);
    Figure(cp, sizeof cp, s.hasCp, 2, s.cp);
    Figure(cpk, sizeof cpk, s.hasCpk, 2, s.cpk);
    std::snprintf(text, static_cast<std::size_t>(size), "out %ld (%s)  Cp %s  Cpk %s",
                  s.outOfTolerance, share, cp, cpk);
}
