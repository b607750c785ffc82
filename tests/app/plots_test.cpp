// The drawing routines on the real main panel: video curve, bar graph with
// its indicators, and the strip chart with its history and zoom.
#include "apptest.h"

#include "gui/plots.h"
#include "popup/calibration.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

typedef std::array<double, 4> Rect; // x1, y1, x2, y2

std::vector<Rect> BarRects(int colour) {
    std::vector<Rect> rects;
    int n = GetGraphRectCount(pHandle, PANEL_GRAPHBar);
    for (int i = 0; i < n; i++) {
        Rect r;
        int frame = 0, fill = 0;
        GetGraphRect(pHandle, PANEL_GRAPHBar, i, &r[0], &r[1], &r[2], &r[3], &frame, &fill);
        EXPECT_EQ(frame, fill);
        if (fill == colour) rects.push_back(r);
    }
    return rects;
}

double CursorX(int cursor) {
    double x = -1, y = -1;
    GetGraphCursor(pHandle, PANEL_GRAPHBar, cursor, &x, &y);
    EXPECT_EQ(y, 0.75) << "cursor " << cursor;
    return x;
}

class Drawing : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_PANELS();
        ResetAppState();
        eMode = 1;
        eBeg = 100;
        eEnd = 8000;
        Ledge = 3000;
        Redge = 5000;
        edcnt = 2;
        tVal = 4000;
        tTol = 200;
        SetCtrlVal(pPopup, POPUP_CheckStep1, 0);
        SetCtrlVal(pPopup, POPUP_CheckStep2, 0);
    }
};

TEST_F(Drawing, VideoCurveReplacesBothPlots) {
    u16 samples[256];
    double x[256];
    for (int i = 0; i < 256; i++) {
        samples[i] = static_cast<u16>(i * 3);
        x[i] = 32.0 * i;
        thdArray[i] = 333;
    }
    YAXISMAX = 256;
    PlotVIDEOCurve(samples, x);
    PlotVIDEOCurve(samples, x);
    ASSERT_EQ(GetGraphPlotCount(pHandle, PANEL_GRAPHVideo), 2);

    double px[256], py[256];
    int colour = 0;
    ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 0, px, py, 256, &colour), 256);
    EXPECT_EQ(colour, 0xFF0000);
    EXPECT_EQ(px[255], 32.0 * 255);
    EXPECT_EQ(py[255], 255.0 * 3);
    ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 1, px, py, 256, &colour), 256);
    EXPECT_EQ(colour, 0x008000);
    EXPECT_EQ(py[17], 333.0);

    double min, max;
    GetAxisRange(pHandle, PANEL_GRAPHVideo, VAL_LEFT_YAXIS, &min, &max);
    EXPECT_EQ(min, 0.0);
    EXPECT_EQ(max, 256.0);
}

// Cursor 1: chosen by mode, then clamped to pixB..pixE and 1..ccdsubpixel.
TEST_F(Drawing, MeasuredCursorIsClamped) {
    const struct {
        u16 mode, left, right, lo, hi, sub;
        double x;
    } cases[] = {
        {0, 3000, 5000, 1, 8191, 8192, 3000}, {1, 3000, 5000, 1, 8191, 8192, 5000},
        {2, 3000, 5001, 1, 8191, 8192, 4000}, {0, 0, 5000, 1, 8191, 8192, 1},       // pixB
        {0, 0, 5000, 40, 8191, 8192, 40},     {2, 0, 5000, 1, 8191, 8192, 1},       // edge missing
        {1, 3000, 9000, 1, 8191, 8192, 8191}, {1, 3000, 9000, 1, 9500, 8192, 8192}, // ccdsubpixel
        {0, 0, 0, 0, 8191, 8192, 1},          {1, 3000, 5000, 1, 4000, 8192, 4000}, // pixE
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.left << " " << c.right);
        eMode = c.mode;
        Ledge = c.left;
        Redge = c.right;
        pixB = c.lo;
        pixE = c.hi;
        ccdsubpixel = c.sub;
        PlotVIDEOBarGraph();
        EXPECT_EQ(CursorX(1), c.x);
        EXPECT_EQ(CursorX(2), 100.0);
        EXPECT_EQ(CursorX(3), 8000.0);
    }
}

// Red bars beside the edges, by number of edges and side of the object.
TEST_F(Drawing, RedBarsByEdgeCount) {
    const struct {
        u16 edges, start, end;
        std::vector<Rect> bars;
    } cases[] = {
        {1, 10, 20, {{3000, 0.25, 8191, 1.0}}},
        {1, 20, 10, {{1, 0.25, 3000, 1.0}}},
        {1, 15, 15, {{1, 0.25, 3000, 1.0}}},
        {0, 10, 20, {{1, 0.25, 3000, 1.0}, {5000, 0.25, 8191, 1.0}}},
        {2, 10, 20, {{1, 0.25, 3000, 1.0}, {5000, 0.25, 8191, 1.0}}},
        {7, 20, 10, {{1, 0.25, 3000, 1.0}, {5000, 0.25, 8191, 1.0}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.edges << " " << c.start << " " << c.end);
        edcnt = c.edges;
        mvstart = c.start;
        mvend = c.end;
        PlotVIDEOBarGraph();
        EXPECT_EQ(BarRects(0xFF0000), c.bars);
    }
}

// Green bars: one band in edge modes, two around the centre in centre mode.
TEST_F(Drawing, GreenBarsByMode) {
    const struct {
        u16 mode, edges, left, right, setpoint, tol;
        std::vector<Rect> bars;
    } cases[] = {
        {1, 2, 3000, 5000, 4000, 200, {{3800, 0, 4200, 0.35}}},
        {1, 2, 3000, 5000, 100, 300, {{1, 0, 400, 0.35}}},      // negative start
        {1, 2, 3000, 5000, 300, 300, {{0, 0, 600, 0.35}}},      // 0 stays
        {1, 2, 3000, 5000, 8000, 191, {{7809, 0, 8191, 0.35}}}, // sub - 1: as computed
        {1, 2, 3000, 5000, 8000, 192, {{7808, 0, 8192, 0.35}}}, // one more: sub
        // centre p = 4000, h = tVal / 2, t = tTol / 2, each cut on its own
        {2, 2, 3000, 5000, 2001, 301, {{2850, 0, 3150, 0.35}, {4850, 0, 5150, 0.35}}},
        {2, 0, 3000, 5000, 2000, 300, {}},
        {2, 2, 3000, 5000, 8000, 400, {{1, 0, 200, 0.35}, {7800, 0, 8200, 0.35}}},
        {2, 2, 6000, 8000, 2, 4000, {{4999, 0, 8192, 0.35}, {5001, 0, 9001, 0.35}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.setpoint << " " << c.tol);
        eMode = c.mode;
        edcnt = c.edges;
        Ledge = c.left;
        Redge = c.right;
        tVal = c.setpoint;
        tTol = c.tol;
        PlotVIDEOBarGraph();
        EXPECT_EQ(BarRects(0x00FF00), c.bars);
    }
}

TEST_F(Drawing, BarGraphRedrawsFromScratch) {
    PlotRectangle(pHandle, PANEL_GRAPHBar, 0, 0, 10, 1, 0xA0A0A0, 0xA0A0A0);
    PlotVIDEOBarGraph();
    PlotVIDEOBarGraph();
    EXPECT_EQ(GetGraphRectCount(pHandle, PANEL_GRAPHBar), 3); // two red, one green
    double min, max;
    GetAxisRange(pHandle, PANEL_GRAPHBar, VAL_XAXIS, &min, &max);
    EXPECT_EQ(min, 1.0);
    EXPECT_EQ(max, 8192.0);
}

// NUMPower shows the sensor's power only in a power mode; the calibration
// fields follow Mvalue only while their step is ticked.
TEST_F(Drawing, PowerAndCalibrationFields) {
    const struct {
        u16 powerMode;
        int step1, step2;
        u16 power, pixel1, pixel2;
    } cases[] = {
        {0, 0, 0, 500, 11, 22}, // nothing ticked: the fields keep their values
        {1, 0, 0, 777, 11, 22}, // powMode not 0: the sensor's power
        {2, 1, 0, 777, 1234, 22},
        {0, 0, 1, 500, 11, 1234},
    };
    for (const auto &c : cases) {
        SetCtrlVal(pHandle, PANEL_NUMPower, 500);
        SetCtrlVal(pPopup, POPUP_NUMPixelObject1, 11);
        SetCtrlVal(pPopup, POPUP_NUMPixelObject2, 22);
        SetCtrlVal(pPopup, POPUP_CheckStep1, c.step1);
        SetCtrlVal(pPopup, POPUP_CheckStep2, c.step2);
        powMode = c.powerMode;
        dynpower = 777;
        Mvalue = 1234;
        tVal = 4100;
        tTol = 150;
        PlotVIDEOBarGraph();
        ShowReplyInCalibration(DecodeRunReply(std::array<u16, PNUM>{0, 0, 1234}.data()));

        unsigned short v = 0;
        GetCtrlVal(pHandle, PANEL_NUMPower, &v);
        EXPECT_EQ(v, c.power);
        GetCtrlVal(pPopup, POPUP_NUMPixelObject1, &v);
        EXPECT_EQ(v, c.pixel1);
        GetCtrlVal(pPopup, POPUP_NUMPixelObject2, &v);
        EXPECT_EQ(v, c.pixel2);
    }
}

class StripChart : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_PANELS();
        ResetAppState();
        anaMode = 0;
        SetCtrlVal(pHandle, PANEL_SWITCHZoom, 1);
    }
};

// Newest point and zoom range from set-point, tolerance and measured value.
TEST_F(StripChart, LimitsAndZoom) {
    const struct {
        u16 setpoint, tol, value, top8;
        double upper, lower, bottom, top;
    } cases[] = {
        {4000, 49, 4000, 8192, 4049, 3951, 3800, 4200}, // tTol < 50: +-200
        {4000, 50, 4000, 8192, 4050, 3950, 3800, 4200}, // 4 x 50, same range
        {4000, 49, 4300, 8192, 4049, 3951, 3800, 4400}, // above: margin 100
        {4000, 50, 4300, 8192, 4050, 3950, 3800, 4500}, // above: margin 200
        {4000, 49, 3700, 8192, 4049, 3951, 3600, 4200}, // below: margin 100
        {4000, 50, 3700, 8192, 4050, 3950, 3500, 4200},
        {8000, 100, 8150, 8192, 8100, 7900, 7600, 8191}, // top clamped
        {8100, 100, 8000, 8192, 8191, 8000, 7700, 8191}, // upper limit clamped
        {100, 300, 100, 8192, 400, 1, 1, 1300},          // lower limit and bottom: 1
        {0, 0, 0, 8192, 0, 1, 1, 200},
        {60000, 60000, 65535, 65535, 65534, 1, 1, 65534}, // beyond 16 bits, in 32
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.setpoint << " " << c.tol << " " << c.value);
        tVal = c.setpoint;
        tTol = c.tol;
        Mvalue = c.value;
        ccdmaxpixelX8 = c.top8;
        PlotRAWGraphX8();
        EXPECT_EQ(arrayNORM[495], c.upper);
        EXPECT_EQ(arrayNORM[496], c.lower);
        EXPECT_EQ(arrayNORM[497], c.setpoint);
        EXPECT_EQ(arrayNORM[498], c.value);
        EXPECT_EQ(arrayNORM[499], c.value); // anaMode 0
        double min = 0, max = 0;
        GetAxisRange(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, &min, &max);
        EXPECT_EQ(min, c.bottom);
        EXPECT_EQ(max, c.top);
    }
}

// The full range runs to the top of the positions the sensor reports (the bar
// graph's axis); it ran to ccdmaxpixelX8, eight times too tall for types 1, 104.
TEST_F(StripChart, FullRangeWithoutZoom) {
    SetCtrlVal(pHandle, PANEL_SWITCHZoom, 0);
    const struct {
        u16 maxX8, sub; // not identified, type 1, type 103, type 104
    } cases[] = {{8192, 0}, {8192, 1024}, {1180, 1180}, {12288, 1536}};
    for (const auto &c : cases) {
        ccdmaxpixelX8 = c.maxX8;
        ccdsubpixel = c.sub;
        PlotRAWGraphX8();
        double min = -1, max = -1;
        GetAxisRange(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, &min, &max);
        EXPECT_EQ(min, 0.0);
        EXPECT_EQ(max, c.sub ? c.sub : 8192.0) << c.maxX8;
    }
}

// The newest 100 points of a trace as the chart shows them, oldest first.
std::vector<double> Newest100(int trace, int *colour) {
    std::vector<double> values(1000);
    int n = GetStripChartTrace(pHandle, PANEL_CHARTRaw, trace, values.data(), 1000, colour);
    EXPECT_GE(n, 100);
    if (n < 100) return {};
    return std::vector<double>(values.begin() + n - 100, values.begin() + n);
}

// The first reply after start: 99 points of 0.0 and the new one at the right,
// in the colours of the five traces.
TEST_F(StripChart, FirstReplyAndTraceColours) {
    tVal = 4000;
    tTol = 100;
    Mvalue = 4010;
    anaMode = 2;
    anaMax = 4444;
    PlotRAWGraphX8();
    const struct {
        double newest;
        int colour;
    } traces[5] = {
        {4100, 0x008000}, {3900, 0x008000}, {4000, 0x000000}, {4010, 0xFF0000}, {4444, 0xFF0000}};
    for (int t = 1; t <= 5; t++) {
        SCOPED_TRACE(t);
        int colour = -1;
        std::vector<double> expected(99, 0.0);
        expected.push_back(traces[t - 1].newest);
        EXPECT_EQ(Newest100(t, &colour), expected);
        EXPECT_EQ(colour, traces[t - 1].colour);
    }

    // The next reply moves the history on by one point.
    Mvalue = 4020;
    PlotRAWGraphX8();
    int colour;
    std::vector<double> values = Newest100(4, &colour);
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values[97], 0.0);
    EXPECT_EQ(values[98], 4010.0);
    EXPECT_EQ(values[99], 4020.0);
}

} // namespace
