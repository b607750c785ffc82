// The run's figures: Welford's update against a plain two-pass computation,
// the tolerance count and capability against hand-worked values, and dashes
// for every figure that cannot be computed.
#include "statistics/histogram.h"
#include "statistics/runstats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

void AddAll(const std::vector<int> &values, u16 setPoint, u16 tolerance) {
    for (int v : values)
        AddRunReply(static_cast<u16>(v), v * 10, 1, setPoint, tolerance);
}

std::string Shown(const StatSeries &s) {
    char text[160];
    FormatStatSeries(s, text, sizeof text);
    return text;
}

std::string ShownTolerance(const RunSummary &s) {
    char text[160];
    FormatToleranceFigures(s, text, sizeof text);
    return text;
}

// Values near the top of the 16-bit range with a spread of a few units: the
// textbook one-pass sum of squares loses every digit here in float, and
// single rounding errors in double; the running update must not.
TEST(RunStatistics, LargeValuesSmallSpreadMatchTwoPass) {
    ResetRunStatistics();
    std::vector<int> values;
    for (int i = 0; i < 100000; i++)
        values.push_back(65000 + (i * 7919) % 11); // 65000..65010
    AddAll(values, 65005, 3);
    double mean = 0;
    for (int v : values)
        mean += v;
    mean /= values.size();
    double ss = 0;
    int out = 0;
    for (int v : values) {
        ss += (v - mean) * (v - mean);
        out += std::abs(v - 65005) > 3;
    }
    const double sd = std::sqrt(ss / (values.size() - 1));

    RunSummary s;
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_EQ(s.value.count, 100000);
    EXPECT_NEAR(s.value.mean, mean, 1e-9);
    EXPECT_NEAR(s.value.sd, sd, 1e-9);
    EXPECT_EQ(s.value.min, 65000);
    EXPECT_EQ(s.value.max, 65010);
    EXPECT_NEAR(s.um.mean, 10 * mean, 1e-8);
    EXPECT_NEAR(s.um.sd, 10 * sd, 1e-8);
    EXPECT_EQ(s.outOfTolerance, out);
    EXPECT_NEAR(s.outShare, out / 100000.0, 1e-12);
}

TEST(RunStatistics, ToleranceAndCapability) {
    ResetRunStatistics();
    // Set-point 100, tolerance 6: 94 and 106 lie on the limits and count as in.
    AddAll({94, 100, 106, 107, 93, 100}, 100, 6);
    RunSummary s;
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_EQ(s.outOfTolerance, 2);
    EXPECT_NEAR(s.outShare, 2.0 / 6, 1e-12);
    // mean 100, squares 36 + 0 + 36 + 49 + 49 + 0: sd = sqrt(170 / 5)
    const double sd = std::sqrt(34.0);
    ASSERT_TRUE(s.hasCp && s.hasCpk);
    EXPECT_NEAR(s.cp, 12 / (6 * sd), 1e-12);
    EXPECT_NEAR(s.cpk, 6 / (3 * sd), 1e-12);

    // An off-centre run: Cpk takes the nearer limit. Each reply's own limits
    // count it in or out; Cp and Cpk use the last reply's.
    ResetRunStatistics();
    AddAll({108, 110, 112}, 100, 20); // all in at tolerance 20
    AddAll({110}, 100, 5);            // out at tolerance 5
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_EQ(s.outOfTolerance, 1);
    EXPECT_EQ(s.tolerance, 5);
    EXPECT_NEAR(s.cpk, (105 - 110) / (3 * s.value.sd), 1e-12); // negative: mean beyond a limit
    EXPECT_NEAR(s.cp, 10 / (6 * s.value.sd), 1e-12);

    // A mean a hair beyond a limit gives a Cpk of -0.001, shown as 0.00 and
    // not as "-0.00".
    ResetRunStatistics();
    AddAll({0, 211}, 100, 5);
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_LT(s.cpk, 0.0);
    EXPECT_EQ(ShownTolerance(s), "out 2 (100.00 %)  Cp 0.01  Cpk 0.00");
}

// No reply, one reply, equal replies, hidden micrometres: what cannot be
// computed is flagged and shown as a dash, never as nan or inf.
TEST(RunStatistics, UndefinedFiguresAreDashes) {
    auto noNumberGarbage = [](const std::string &text) {
        return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
    };
    RunSummary s;
    ResetRunStatistics();
    EXPECT_FALSE(RunStatisticsSummary(&s));
    EXPECT_FALSE(s.value.hasMean || s.value.hasSd || s.hasOutShare || s.hasCp || s.hasCpk);
    EXPECT_EQ(Shown(s.value), "n 0  mean -  sd -  min -  max -");
    EXPECT_EQ(ShownTolerance(s), "out 0 (-)  Cp -  Cpk -");

    AddRunReply(500, 0, 0, 500, 10); // micrometres hidden: not counted
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_TRUE(s.value.hasMean);
    EXPECT_FALSE(s.value.hasSd);
    EXPECT_EQ(s.um.count, 0);
    EXPECT_EQ(Shown(s.value), "n 1  mean 500.00  sd -  min 500  max 500");
    EXPECT_EQ(Shown(s.um), "n 0  mean -  sd -  min -  max -");

    for (int i = 0; i < 1000; i++) // zero spread: capability would be infinite
        AddRunReply(500, 0, 0, 500, 10);
    ASSERT_TRUE(RunStatisticsSummary(&s));
    EXPECT_TRUE(s.value.hasSd);
    EXPECT_EQ(s.value.sd, 0.0);
    EXPECT_FALSE(s.hasCp || s.hasCpk);
    EXPECT_EQ(ShownTolerance(s), "out 0 (0.00 %)  Cp -  Cpk -");
    EXPECT_TRUE(noNumberGarbage(Shown(s.value)) && noNumberGarbage(ShownTolerance(s)));
}

} // namespace

// The run's histogram: shares below and above counted per reply against its
// own limits (a teach moves them), micrometres binned only while shown, and
// no more than 100 bins over a wide range.
TEST(RunHistogram, SharesAgainstEachReplysOwnLimits) {
    ResetRunHistogram();
    const struct {
        int value, setPoint, tolerance, umShown;
    } replies[] = {{100, 110, 5, 1}, {104, 110, 5, 1}, {110, 110, 5, 0}, {116, 110, 5, 1},
                   {116, 120, 5, 1}, {126, 120, 5, 0}, {9000, 120, 5, 1}};
    for (const auto &r : replies)
        AddRunHistogramReply(static_cast<u16>(r.value), r.value * 3, r.umShown,
                             static_cast<u16>(r.setPoint), static_cast<u16>(r.tolerance));
    HistogramFigures h;
    ASSERT_TRUE(RunHistogram(0, &h));
    EXPECT_EQ(h.replies, 7);
    EXPECT_EQ(h.below, 2); // 100 and 104 below 105
    EXPECT_EQ(h.above, 3); // 116 above 115, 126 and 9000 above 125
    EXPECT_EQ(h.total, 7);
    EXPECT_LE(h.counts.size(), 100u);
    EXPECT_EQ(h.upper, 125); // the last reply's limits
    ASSERT_TRUE(RunHistogram(1, &h));
    EXPECT_EQ(h.total, 5) << "micrometres only while shown";
    EXPECT_EQ(h.replies, 7);
    ResetRunHistogram();
    EXPECT_FALSE(RunHistogram(0, &h));
}
