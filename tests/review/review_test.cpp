// A recording read back: damaged rows reported by line and left out, files
// of another kind refused, gaps where the reply number jumps or time stands
// still, and a span's figures and histogram shares against sums taken
// directly from the rows written.
#include "recording/recorder.h"
#include "review/recordfile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Row {
    double seconds;
    long reply;
    int mvalue, setPoint, tolerance;
};

std::string Line(const Row &r) {
    const int um = r.mvalue * 3;
    const auto v = static_cast<u16>(r.mvalue), sp = static_cast<u16>(r.setPoint),
               tol = static_cast<u16>(r.tolerance);
    const RunReply values = {
        100, static_cast<u16>(100 + v), v, um, sp, tol, 2, 300, 280, 128, 1000, 0, 7};
    const RecordingRow row = {"2026-12-08T06:34:29.123+01:00", r.seconds, r.reply, values, 1};
    char text[256];
    FormatRecordingRow(row, text, sizeof text);
    return text;
}

// A file in the temporary folder, removed at the end of the test.
struct TempFile {
    std::string path = "/tmp/vtlx-review-" + std::to_string(getpid()) + ".csv";
    explicit TempFile(const std::string &text) { std::ofstream(path, std::ios::binary) << text; }
    ~TempFile() { std::remove(path.c_str()); }
};

std::string Header() {
    return std::string(RecordingHeader()) + "\r\n";
}

// Rows 1..n at 26 a second, values wandering around the set-point 2400.
std::vector<Row> Rows(int n) {
    std::vector<Row> rows;
    for (int i = 0; i < n; i++)
        rows.push_back({std::round(i * 1000 / 26.0) / 1000, i + 1L,
                        2400 + (i * 7919) % 61 - 30 + (i % 500 == 0 ? 200 : 0), 2400,
                        i < n / 2 ? 25 : 20});
    return rows;
}

std::string Text(const std::vector<Row> &rows) {
    std::string text = Header();
    for (const Row &r : rows)
        text += Line(r);
    return text;
}

TEST(RecordingReview, DamagedRowsAreReportedByLineAndLeftOut) {
    const std::string good = Line({0.5, 2, 2400, 2400, 25});
    const struct {
        std::string row, why;
    } cases[] = {
        {"2026-12-08T06:34:29.123+01:00,0.500,2,100,2500\r\n", "not 16 fields"},
        {good.substr(0, good.size() - 2) + ",9\r\n", "not 16 fields"},
        {"yesterday" + good.substr(29), "no time"},
        {good.substr(0, 30) + "0.5x" + good.substr(35), "no seconds"},
        {good.substr(0, 30) + "1000000000.5" + good.substr(35), "no seconds"},
        {good.substr(0, 36) + "-2" + good.substr(37), "no reply number"},
        {good.substr(0, 38) + "70000" + good.substr(41), "a value is no whole number"},
        {good.substr(0, 38) + "1e3" + good.substr(41), "a value is no whole number"},
        {Line({0.01, 2, 2400, 2400, 25}), "seconds go back"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.row);
        TempFile f(Header() + Line({0.1, 1, 2390, 2400, 25}) + c.row +
                   Line({0.9, 3, 2410, 2400, 25}));
        Recording r;
        char error[300] = "";
        ASSERT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 1) << error;
        EXPECT_EQ(r.damaged, 1);
        ASSERT_EQ(r.damagedRows.size(), 1u);
        EXPECT_EQ(r.damagedRows[0].rfind("line 3: " + c.why, 0), 0u) << r.damagedRows[0];
        EXPECT_EQ(r.mvalue, (std::vector<u16>{2390, 2410})) << "the damaged row taken as a value";
        EXPECT_EQ(r.lines, 4);
        EXPECT_TRUE(r.gaps.empty()) << "the damaged row counted as a gap too";
    }
}

TEST(RecordingReview, FilesOfAnotherKindAreRefused) {
    const std::string cases[] = {
        "index,position [sub-pixel],value\r\n1,0.000,12\r\n",
        "2400\n25\n0\n1\n",
        std::string(RecordingHeader()).substr(0, 40) + "\r\n" + Line({0, 1, 2400, 2400, 25}),
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
    };
    for (const std::string &text : cases) {
        SCOPED_TRACE(text);
        TempFile f(text);
        Recording r;
        char error[300] = "";
        EXPECT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 0);
        EXPECT_NE(std::string(error).find("is no recording of this program"), std::string::npos)
            << error;
        EXPECT_TRUE(r.seconds.empty());
    }
    Recording r;
    char error[300] = "";
    const TempFile empty(""); // was said to have the wrong first line
    EXPECT_EQ(ReadRecording(empty.path.c_str(), &r, error, sizeof error), 0);
    EXPECT_EQ(std::string(error), empty.path + " is empty: it holds no recording.");
    EXPECT_EQ(ReadRecording("/nonexistent/x.csv", &r, error, sizeof error), 0);
    EXPECT_NE(std::string(error).find("Cannot open /nonexistent/x.csv"), std::string::npos);
}

// Saved again by an editor that marks UTF-8 (it was refused as no recording).
TEST(RecordingReview, ByteOrderMarkBeforeTheHeaderIsAllowed) {
    TempFile f("\xEF\xBB\xBF" + Text(Rows(3)));
    Recording r;
    char error[300] = "";
    EXPECT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 1) << error;
    EXPECT_EQ(r.seconds.size(), 3u);
}

TEST(RecordingReview, GapsWhereTheReplyJumpsOrTimeStandsStill) {
    std::vector<Row> rows = Rows(100);
    rows.erase(rows.begin() + 40, rows.begin() + 43); // replies 41..43 lost
    for (std::size_t i = 70; i < rows.size(); i++)    // a pause of 2.5 s before the 71st row
        rows[i].seconds += 2.5;
    rows[80].reply = 1; // numbering starts afresh: a jump back
    for (std::size_t i = 81; i < rows.size(); i++)
        rows[i].reply = rows[i - 1].reply + 1;
    TempFile f(Text(rows));
    Recording r;
    char error[300] = "";
    ASSERT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 1) << error;
    ASSERT_EQ(r.gaps.size(), 3u);
    EXPECT_EQ(r.gaps[0].row, 40);
    EXPECT_EQ(r.gaps[0].replyFrom, 40);
    EXPECT_EQ(r.gaps[0].replyTo, 44);
    EXPECT_EQ(r.gaps[1].row, 70);
    EXPECT_EQ(r.gaps[1].replyTo, r.gaps[1].replyFrom + 1);
    EXPECT_NEAR(r.gaps[1].to - r.gaps[1].from, 2.5 + 1 / 26.0, 1e-3);
    EXPECT_EQ(r.gaps[2].row, 80);
    EXPECT_EQ(r.gaps[2].replyTo, 1);
}

// Spans of the file: figures against a two-pass computation over the same
// rows, histogram shares against counts made here, bins within bounds.
TEST(RecordingReview, SpanFiguresAgainstTheRowsThemselves) {
    const std::vector<Row> rows = Rows(20000);
    TempFile f(Text(rows));
    Recording r;
    char error[300] = "";
    ASSERT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 1) << error;
    ASSERT_EQ(r.seconds.size(), rows.size());
    const struct {
        double from, to;
    } spans[] = {{0, 1e9}, {10.0, 10.5}, {100.0, 500.0}, {700.0, 1000.0}, {-5, 0.0}};
    for (const auto &s : spans) {
        SCOPED_TRACE(std::to_string(s.from) + " to " + std::to_string(s.to));
        std::vector<const Row *> in;
        for (const Row &row : rows)
            if (row.seconds >= s.from && row.seconds <= s.to) in.push_back(&row);
        long first, end;
        SpanRows(r, s.from, s.to, &first, &end);
        ASSERT_EQ(end - first, static_cast<long>(in.size()));
        double mean = 0, ss = 0;
        long out = 0, below = 0, above = 0;
        for (const Row *row : in)
            mean += row->mvalue;
        mean /= in.size();
        for (const Row *row : in) {
            ss += (row->mvalue - mean) * (row->mvalue - mean);
            below += row->mvalue < row->setPoint - row->tolerance;
            above += row->mvalue > row->setPoint + row->tolerance;
        }
        out = below + above;
        RunSummary sum;
        ASSERT_TRUE(SpanSummary(r, first, end, &sum));
        EXPECT_NEAR(sum.value.mean, mean, 1e-9);
        if (in.size() > 1) {
            EXPECT_NEAR(sum.value.sd, std::sqrt(ss / (in.size() - 1)), 1e-9);
        }
        EXPECT_NEAR(sum.um.mean, 3 * mean, 1e-8);
        EXPECT_EQ(sum.outOfTolerance, out);
        EXPECT_DOUBLE_EQ(sum.tolerance, in.back()->tolerance);

        HistogramFigures h;
        ASSERT_TRUE(SpanHistogram(r, first, end, &h));
        EXPECT_EQ(h.below, below);
        EXPECT_EQ(h.above, above);
        EXPECT_EQ(h.replies, static_cast<long>(in.size()));
        long binned = 0;
        for (long c : h.counts)
            binned += c;
        EXPECT_EQ(binned, static_cast<long>(in.size()));
        EXPECT_GE(h.counts.size(), 1u);
        EXPECT_LE(h.counts.size(), static_cast<std::size_t>(MAX_BINS));
        EXPECT_EQ(h.width, std::floor(h.width)) << "whole units per bin";
    }
}

// The band drawn on the trend: every row in a span lies under a step with
// its own limits. The values out of tolerance, seen a row to a column of
// pixels: exactly the rows past their limits (the limits themselves are in),
// the line (-1 here) broken wherever a row in tolerance lies between two.
TEST(RecordingReview, ToleranceBandAndValuesOutOfIt) {
    std::vector<Row> rows = Rows(2600); // the tolerance narrows half-way
    for (int i = 1100; i < 1110; i++)   // a stretch out of tolerance, not single rows only
        rows[i].mvalue = 2500;
    TempFile f(Text(rows));
    Recording r;
    char error[300] = "";
    ASSERT_EQ(ReadRecording(f.path.c_str(), &r, error, sizeof error), 1) << error;
    std::vector<double> x, lower, upper;
    for (const auto &[from, to, pixels] : {std::tuple{0.0, 100.0, 800}, {45.0, 55.0, 40}}) {
        ToleranceBand(r, from, to, pixels, &x, &lower, &upper);
        ASSERT_TRUE(x.size() >= 2 && x.front() == from && x.back() == to);
        for (const Row &row : rows) {
            if (row.seconds < from || row.seconds > to) continue;
            const auto k = std::upper_bound(x.begin(), x.end(), row.seconds) - x.begin() - 1;
            EXPECT_EQ(lower[k], row.setPoint - row.tolerance) << row.seconds;
            EXPECT_EQ(upper[k], row.setPoint + row.tolerance) << row.seconds;
        }
    }
    std::vector<double> y, seen, expected;
    TrendEnvelope(r, TREND_OUT, 40.0, 60.0, 4000, &x, &y);
    for (std::size_t i = 0; i < y.size(); i += std::isnan(y[i]) ? 1 : 2) // a point twice a row
        if (!seen.empty() || !std::isnan(y[i])) seen.push_back(std::isnan(y[i]) ? -1 : y[i]);
    for (const Row &row : rows) {
        if (row.seconds < 40.0 || row.seconds > 60.0) continue;
        const bool out = std::abs(row.mvalue - row.setPoint) > row.tolerance;
        if (out)
            expected.push_back(row.mvalue);
        else if (!expected.empty() && expected.back() != -1)
            expected.push_back(-1);
    }
    while (!expected.empty() && expected.back() == -1)
        expected.pop_back();
    EXPECT_EQ(seen, expected);
}

} // namespace
