// The straight-line fit on its own.
#include "analysis/linfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(LinFit, FitsTheLeastSquaresLine) {
    const double s = 14000.0 / 421; // the line through (241, 7960) and (662, 21960)
    const struct {
        std::vector<double> x, y, z;
        double slope, intercept, mse;
    } lines[] = {
        {{241, 662}, {7960, 21960}, {7960, 21960}, s, 7960 - 241 * s, 0.0},
        // The mean squared residual divides by n, not n - 1 or n - 2.
        {{0, 1, 2}, {0, 1, 1}, {1.0 / 6, 2.0 / 3, 7.0 / 6}, 0.5, 1.0 / 6, 1.0 / 18},
        {{10001, 10000, 10000.5}, {20005, 20003, 20004}, {20005, 20003, 20004}, 2.0, 3.0, 0.0},
    };
    for (const auto &l : lines) {
        std::vector<double> z(l.x.size());
        double slope = 0, intercept = 0, mse = -1;
        ASSERT_EQ(
            LinFit(l.x.data(), l.y.data(), int(l.x.size()), z.data(), &slope, &intercept, &mse), 0);
        EXPECT_NEAR(slope, l.slope, 1e-12 * std::fabs(l.slope)) << l.x[0];
        EXPECT_NEAR(intercept, l.intercept, 1e-9) << l.x[0];
        EXPECT_NEAR(mse, l.mse, 1e-12) << l.x[0];
        for (size_t i = 0; i < z.size(); i++)
            EXPECT_NEAR(z[i], l.z[i], 1e-9) << l.x[0] << " z[" << i << "]";
    }
}

TEST(LinFit, FewerThanTwoPointsWriteNothingAndEqualXGiveNoFiniteLine) {
    const double x[2] = {500, 500}, y[2] = {1000, 2000};
    for (int n : {1, 0, -3}) {
        double z[2] = {7, 7}, slope = 7, intercept = 7, mse = 7;
        EXPECT_EQ(LinFit(x, y, n, z, &slope, &intercept, &mse), -20006) << n;
        EXPECT_TRUE(z[0] == 7 && z[1] == 7 && slope == 7 && intercept == 7 && mse == 7) << n;
    }
    double z[2], slope = 0, intercept = 0, mse = 0;
    EXPECT_EQ(LinFit(x, y, 2, z, &slope, &intercept, &mse), 0);
    EXPECT_FALSE(std::isfinite(slope) || std::isfinite(intercept));
}
