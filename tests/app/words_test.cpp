// Real-to-word conversion and the small decisions of the drawing routines
// that need no window: measured position and strip-chart trace 5.
#include "gui/panelio.h"
#include "gui/plots.h"
#include "settings/riror14.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Cut toward zero, keep the low 16 bits of the two's complement; never
// undefined, whatever the double.
TEST(TruncToWord, CutsTowardZeroAndWraps) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double in;
        u16 out;
    } cases[] = {
        {0.99999f * 1024.0, 1023}, // truncation, not rounding
        {1024.0, 1024},
        {-1.0 * 1024, 65536 - 1024}, // two's complement of 1024
        {-0.5, 0},                   // toward zero, not down
        {-1.5, 65535},
        {29999.5, 29999},
        {65535.9, 65535},
        {65536.0, 0},
        {65537.25, 1},
        {-65536.0, 0},
        {-65537.0, 65535},
        {1e300, 0}, // a multiple of 65536: no overflow
        {-1e300, 0},
        {4294967296.0 + 5.0, 5}, // beyond 32 bits
        {std::nan(""), 0},
        {inf, 0},
        {-inf, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TruncToWord(c.in), c.out) << c.in;
}

TEST(MeasuredPosition, ByEvaluationMode) {
    const struct {
        u16 mode, left, right, p;
    } cases[] = {
        {0, 100, 300, 100},       {0, 0, 300, 0},     // left edge, even 0
        {1, 100, 300, 300},       {2, 100, 301, 200}, // centre, halved down
        {2, 0, 300, 1},           {2, 100, 0, 1},     // an edge missing
        {3, 100, 300, 200},       {9, 100, 300, 200}, // other modes: centre
        {2, 65535, 65535, 65535},                     // the sum needs 17 bits
    };
    for (const auto &c : cases) {
        eMode = c.mode;
        Ledge = c.left;
        Redge = c.right;
        EXPECT_EQ(MeasuredPosition(), c.p) << c.mode << " " << c.left << " " << c.right;
    }
}

TEST(AnalogTraceValue, ByAnalogMode) {
    Mvalue = 11;
    anaMax = 22;
    ccdmaxpixelX8 = 8192;
    const struct {
        u16 mode, min, value;
    } cases[] = {
        {0, 33, 11},     {1, 33, 11},  {2, 33, 22},    {4, 33, 22}, {3, 33, 33},
        {5, 33, 33},     {3, 8191, 1}, {5, 8191, 1}, // minimum at the top of the range
        {3, 8190, 8190}, {6, 33, 0},   {65535, 33, 0},
    };
    for (const auto &c : cases) {
        anaMode = c.mode;
        anaMin = c.min;
        EXPECT_EQ(AnalogTraceValue(), c.value) << c.mode << " " << c.min;
    }
}

} // namespace
