// Statistics of the current run: count, mean, spread and extremes of the
// measured value and of its micrometre value, the share out of tolerance and
// the process capability against set-point and tolerance.
//
// How it works
// - Every measurement reply that a loop takes is added once (AddRunReply);
//   means and spreads are kept with Welford's running update, so a long run
//   at large values loses no precision and no reply is stored.
// - A reply is out of tolerance when its measured value lies further than
//   the tolerance from the set-point, both as that reply reports them (a
//   teach during the run moves the limits for the replies after it). Cp and
//   Cpk are taken against the limits of the last reply.
// - Every figure that cannot be computed (no reply, one reply, zero spread,
//   no micrometre values) is flagged undefined, never NaN or infinity.
// - Reset on Run or Video start and on the Reset button.
#pragma once

#include "settings/riror14.h"

// One series of values.
struct StatSeries {
    long count = 0;       // values taken
    double mean = 0.0;    // defined when count >= 1
    double sd = 0.0;      // sample standard deviation (n - 1); defined when count >= 2
    double min = 0.0;     // defined when count >= 1
    double max = 0.0;     // defined when count >= 1
    bool hasMean = false; // mean, min and max are defined
    bool hasSd = false;   // sd is defined
};

// The run as a report shows it.
struct RunSummary {
    StatSeries value;         // measured value Mvalue, the loop's units
    StatSeries um;            // umValue, only of replies taken while the window shows it
    long outOfTolerance = 0;  // replies with |Mvalue - tVal| > tTol
    double outShare = 0.0;    // outOfTolerance / value.count, 0..1
    bool hasOutShare = false; // at least one reply
    double setPoint = 0.0;    // tVal of the last reply
    double tolerance = 0.0;   // tTol of the last reply
    double cp = 0.0;          // 2 tolerance / 6 sd
    bool hasCp = false;       // sd defined and above zero
    double cpk = 0.0;         // min(upper - mean, mean - lower) / 3 sd
    bool hasCpk = false;      // sd defined and above zero
};

// Where a measured value lies against its set-point and tolerance: -1
// below setPoint - tolerance, +1 above setPoint + tolerance, 0 within (the
// limits count as within). The one rule every figure of the program counts by.
int ToleranceSide(int value, int setPoint, int tolerance);
inline bool InTolerance(int value, int setPoint, int tolerance) {
    return ToleranceSide(value, setPoint, tolerance) == 0;
}

// The running sums of one series (Welford's update).
struct StatAccumulator {
    long n = 0;
    double mean = 0.0, m2 = 0.0, min = 0.0, max = 0.0;
    void Add(double x);
    StatSeries Series() const;
};

// The statistics of any run of replies, as a value: the current run keeps
// one, a review makes one for each span it shows.
struct RunStats {
    StatAccumulator value;   // over Mvalue
    StatAccumulator um;      // over umValue where shown
    long outOfTolerance = 0; // replies outside their set-point +- tolerance
    u16 lastSetPoint = 0;    // tVal of the last reply
    u16 lastTolerance = 0;   // tTol of the last reply
    void Add(u16 measured, int micrometres, int umShown, u16 setPoint, u16 tolerance);
    RunSummary Summary() const; // everything undefined before the first reply
};

// Forgets every reply: the next one starts a new run.
void ResetRunStatistics(void);

// Adds one measurement reply: its measured value, its micrometre value
// (umShown 0: the window hides it, not counted), set-point and tolerance.
void AddRunReply(u16 value, int um, int umShown, u16 setPoint, u16 tolerance);

// Fills *out with the figures of the run so far. Returns false (out still
// filled, everything undefined) when no reply has been taken since the reset.
bool RunStatisticsSummary(RunSummary *out);

// Replies added since the reset; a display compares it to know whether
// anything changed.
long RunStatisticsCount(void);

// v as it is to be printed with that many decimals: 0 where it would show
// as "-0.00" (a Cpk of -0.001 is no negative figure to the reader).
double ZeroUnsigned(double v, int decimals);

// The figures as the window shows them, a dash for every undefined one:
// "n 1234  mean 1810.25  sd 3.412  min 1799  max 1822".
void FormatStatSeries(const StatSeries &s, char *text, int size);

// "out 12 (0.97 %)  Cp 1.33  Cpk 1.12", dashes where undefined.
void FormatToleranceFigures(const RunSummary &s, char *text, int size);
