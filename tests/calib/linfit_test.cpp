// The straight-line fit on its own.
#include "analysis/linfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Line {
    const char *name;
    std::vector<double> x, y;
    double slope, intercept, mse;
    std::vector<double> z;
};

TEST(LinFit, FitsTheLeastSquaresLine) {
    const Line lines[] = {
        // Through two points: the line through both, no residual.
        {"calibration points",
         {241, 662},
         {7960, 21960},
         14000.0 / 421,
         7960 - 241 * (14000.0 / 421),
         0.0,
         {7960, 21960}},
        {"falling", {10, 20}, {5, -15}, -2.0, 25.0, 0.0, {5, -15}},
        // Three points: the mean squared residual divides by n, not n - 1 or n - 2.
        {"three points", {0, 1, 2}, {0, 1, 1}, 0.5, 1.0 / 6, 1.0 / 18, {1.0 / 6, 2.0 / 3, 7.0 / 6}},
        // Points in any order, close together far from 0.
        {"narrow and far",
         {10001, 10000, 10000.5},
         {20005, 20003, 20004},
         2.0,
         3.0,
         0.0,
         {20005, 20003, 20004}},
    };
    for (const Line &l : lines) {
        SCOPED_TRACE(l.name);
        const int n = int(l.x.size());
        std::vector<double> z(n, -1.0);
        double slope = 0, intercept = 0, mse = -1;
        ASSERT_EQ(LinFit(l.x.data(), l.y.data(), n, z.data(), &slope, &intercept, &mse), 0);
        EXPECT_NEAR(slope, l.slope, 1e-9 * std::fabs(l.slope));
        EXPECT_NEAR(intercept, l.intercept, 1e-7);
        EXPECT_NEAR(mse, l.mse, 1e-9);
        for (int i = 0; i < n; i++)
            EXPECT_NEAR(z[i], l.z[i], 1e-7) << "z[" << i << "]";
    }
}

TEST(LinFit, FewerThanTwoPointsWriteNothing) {
    const double x[2] = {1, 2}, y[2] = {3, 5};
    for (int n : {1, 0, -3}) {
        double z[2] = {7, 7}, slope = 7, intercept = 7, mse = 7;
        EXPECT_EQ(LinFit(x, y, n, z, &slope, &intercept, &mse), -20006) << n;
        EXPECT_EQ(z[0], 7.0);
        EXPECT_EQ(z[1], 7.0);
        EXPECT_EQ(slope, 7.0);
        EXPECT_EQ(intercept, 7.0);
        EXPECT_EQ(mse, 7.0);
    }
}

// Two equal x values: no error result, but a line that is not finite, which
// the calibration must recognise before it makes words of it.
TEST(LinFit, EqualXGiveALineThatIsNotFinite) {
    const double x[2] = {500, 500}, y[2] = {1000, 2000};
    double z[2], slope = 0, intercept = 0, mse = 0;
    EXPECT_EQ(LinFit(x, y, 2, z, &slope, &intercept, &mse), 0);
    EXPECT_FALSE(std::isfinite(slope));
    EXPECT_FALSE(std::isfinite(intercept));
}

} // namespace
