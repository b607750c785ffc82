// Copy1D and Shift: the moves of the strip-chart history.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct ShiftCase {
    int shift;
    std::vector<double> expected; // empty: an error, array unchanged
    int result;
};

const std::vector<double> abcde = {1.5, 2.5, 3.5, 4.5, 5.5};

// Each case runs once into a separate array and once in place: the in-place
// move must read every value before it is overwritten.
TEST(Shift, MovesAndFillsWithZero) {
    const ShiftCase cases[] = {
        {0, {1.5, 2.5, 3.5, 4.5, 5.5}, 0},  {2, {0.0, 0.0, 1.5, 2.5, 3.5}, 0},
        {-2, {3.5, 4.5, 5.5, 0.0, 0.0}, 0}, {1, {0.0, 1.5, 2.5, 3.5, 4.5}, 0},
        {-1, {2.5, 3.5, 4.5, 5.5, 0.0}, 0}, {4, {0.0, 0.0, 0.0, 0.0, 1.5}, 0},
        {-4, {5.5, 0.0, 0.0, 0.0, 0.0}, 0}, {5, {}, ANALYSIS_ERR_SHIFT},
        {-5, {}, ANALYSIS_ERR_SHIFT},       {INT_MAX, {}, ANALYSIS_ERR_SHIFT},
        {INT_MIN, {}, ANALYSIS_ERR_SHIFT}, // |INT_MIN| does not fit an int
    };
    for (const ShiftCase &c : cases) {
        SCOPED_TRACE(c.shift);
        std::vector<double> dst(5, -7.0);
        EXPECT_EQ(Shift(abcde.data(), 5, c.shift, dst.data()), c.result);
        EXPECT_EQ(dst, c.expected.empty() ? std::vector<double>(5, -7.0) : c.expected);

        std::vector<double> same = abcde;
        EXPECT_EQ(Shift(same.data(), 5, c.shift, same.data()), c.result);
        EXPECT_EQ(same, c.expected.empty() ? abcde : c.expected);
    }
}

TEST(ArrayRoutines, CountBelowOneWritesNothing) {
    for (int n : {0, -1, INT_MIN}) {
        SCOPED_TRACE(n);
        std::vector<double> dst(5, -7.0);
        EXPECT_EQ(Shift(abcde.data(), n, 0, dst.data()), ANALYSIS_ERR_COUNT);
        EXPECT_EQ(Shift(abcde.data(), n, 1, dst.data()), ANALYSIS_ERR_COUNT);
        EXPECT_EQ(Copy1D(abcde.data(), n, dst.data()), ANALYSIS_ERR_COUNT);
        EXPECT_EQ(dst, std::vector<double>(5, -7.0));
    }
}

} // namespace
