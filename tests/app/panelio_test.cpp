// GetPanelValues and SetPanelValues on the real panels: the conversions of
// slope and offset, the range checks, the dimming and the bar-graph marks.
#include "apptest.h"

#include "com232/com232.h"
#include "gui/panelio.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

namespace {

class PanelTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_PANELS();
        ResetAppState();
        ValidSettings();
        DeleteGraphPlot(pHandle, PANEL_GRAPHBar, -1, 0);
    }

    // A set that passes every range check.
    static void ValidSettings() {
        power = 500;
        tolMode = 1;
        vThd = 512;
        anaMode = 1;
        polarity = 0;
        eMode = 1;
        eBeg = 10;
        eEnd = 8000;
        tVal = 4000;
        tTol = 100;
        opMode = 0;
        eHardware = 2;
        slope = 1024;
        intersect = 30000;
        average = 4;
        powMode = 0;
    }

    static u16 Shown(int panel, int control) {
        unsigned short v = 0xDEAD;
        GetCtrlVal(panel, control, &v);
        return v;
    }

    static double ShownReal(int panel, int control) {
        double v = -12345.0;
        GetCtrlVal(panel, control, &v);
        return v;
    }
};

// Slope and offset as the user types them, into the 16-bit words.
TEST_F(PanelTransfer, GetPanelValuesConvertsSlopeAndOffset) {
    const struct {
        u16 ccd;
        double s, o;
        u16 slope, intersect;
    } cases[] = {
        {1, 0.99999, 0.0, 1023, 30000}, // cut, not rounded
        {1, 1.0, -0.5, 1024, 29999},    // offset cut toward zero
        {104, 1.0, 0.0, 512, 30000},    // CCD type 104: scale 512
        {104, 0.99999, 0.0, 511, 30000},
        {2, 63.9990234375, 35535.0, 65535, 65535}, // top of both fields
        {1, 0.0, -30000.0, 0, 0},
        {1, 1.0009765625, 0.75, 1025, 30000},
        {1, 1.0, -29998.5, 1024, 1},
        {1, 1.0, -29999.5, 1024, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.ccd << " " << c.s << " " << c.o);
        ccdtype = c.ccd;
        SetCtrlVal(pPopup, POPUP_NUMSlope, c.s);
        SetCtrlVal(pPopup, POPUP_NUMIntersect, c.o);
        GetPanelValues();
        EXPECT_EQ(slope, c.slope);
        EXPECT_EQ(intersect, c.intersect);
    }
}

// The fourteen main-panel settings arrive in their own variables.
TEST_F(PanelTransfer, GetPanelValuesReadsEveryMainControl) {
    const struct {
        int control;
        u16 *variable;
        int value;
    } cases[] = {
        {PANEL_NUMPower, &power, 777},           {PANEL_DropTolMode, &tolMode, 3},
        {PANEL_NUMVideoThreshold, &vThd, 301},   {PANEL_DropAnaMode, &anaMode, 2},
        {PANEL_DropPolarity, &polarity, 1},      {PANEL_DropEvalMode, &eMode, 2},
        {PANEL_NEDITEdgeLeft, &eBeg, 17},        {PANEL_NEDITEdgeRight, &eEnd, 903},
        {PANEL_NEDITSetpoint, &tVal, 641},       {PANEL_NEDITTolerance, &tTol, 55},
        {PANEL_DropHardwareMode, &eHardware, 2}, {PANEL_NUMAverage, &average, 16},
        {PANEL_DropPowMode, &powMode, 1},        {PANEL_SWITCHOpMode, &opMode, 1},
    };
    for (const auto &c : cases)
        SetCtrlVal(pHandle, c.control, c.value);
    for (const auto &c : cases)
        *c.variable = 0xBEEF;
    GetPanelValues();
    for (const auto &c : cases)
        EXPECT_EQ(*c.variable, c.value) << "control " << c.control;
}

// One setting out of range at a time: what it becomes, and what the control shows.
TEST_F(PanelTransfer, SetPanelValuesRangeChecks) {
    const struct {
        u16 *variable;
        int control;
        u16 in, out;
    } cases[] = {
        {&vThd, PANEL_NUMVideoThreshold, 30, 50},   {&vThd, PANEL_NUMVideoThreshold, 960, 950},
        {&vThd, PANEL_NUMVideoThreshold, 50, 50},   {&vThd, PANEL_NUMVideoThreshold, 950, 950},
        {&power, PANEL_NUMPower, 1001, 500},        {&power, PANEL_NUMPower, 1000, 1000},
        {&power, PANEL_NUMPower, 65535, 500},       {&tolMode, PANEL_DropTolMode, 7, 0},
        {&tolMode, PANEL_DropTolMode, 6, 6},        {&anaMode, PANEL_DropAnaMode, 6, 0},
        {&anaMode, PANEL_DropAnaMode, 5, 5},        {&polarity, PANEL_DropPolarity, 2, 1},
        {&eMode, PANEL_DropEvalMode, 4, 4},         {&eMode, PANEL_DropEvalMode, 5, 4},
        {&eMode, PANEL_DropEvalMode, 9, 4},         {&tTol, PANEL_NEDITTolerance, 0, 1},
        {&tTol, PANEL_NEDITTolerance, 8193, 8192},  {&tTol, PANEL_NEDITTolerance, 8192, 8192},
        {&powMode, PANEL_DropPowMode, 3, 0},        {&powMode, PANEL_DropPowMode, 2, 2},
        {&eBeg, PANEL_NEDITEdgeLeft, 8193, 1},      {&eBeg, PANEL_NEDITEdgeLeft, 8192, 8192},
        {&eEnd, PANEL_NEDITEdgeRight, 8193, 8192},  {&eEnd, PANEL_NEDITEdgeRight, 0, 1},
        {&eHardware, PANEL_DropHardwareMode, 4, 3}, {&average, PANEL_NUMAverage, 1025, 1024},
        {&average, PANEL_NUMAverage, 1024, 1024},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << " value " << c.in);
        ValidSettings();
        *c.variable = c.in;
        SetPanelValues();
        EXPECT_EQ(*c.variable, c.out);
        EXPECT_EQ(Shown(pHandle, c.control), c.out);
    }
}

TEST_F(PanelTransfer, SetPanelValuesShowsSlopeAndOffset) {
    const struct {
        u16 ccd, slopeIn, intersectIn, slopeOut, intersectOut;
        double s, o;
    } cases[] = {
        {1, 65535, 30000, 1024, 30000, 1.0, 0.0},   // 65535 is not a slope
        {104, 65535, 30000, 1024, 30000, 2.0, 0.0}, // ... whatever the CCD type
        {104, 512, 60000, 512, 60000, 1.0, 30000.0},
        {1, 1024, 60001, 1024, 30000, 1.0, 0.0},
        {1, 1023, 0, 1023, 0, 1023.0 / 1024, -30000.0},
        {104, 65534, 29999, 65534, 29999, 65534.0 / 512, -1.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.ccd << " " << c.slopeIn << " " << c.intersectIn);
        ccdtype = c.ccd;
        // Identification widens the field for CCD type 104 as here.
        SetCtrlRange(pPopup, POPUP_NUMSlope, 0.0, 65535.0 / SlopeScale());
        slope = c.slopeIn;
        intersect = c.intersectIn;
        SetPanelValues();
        EXPECT_EQ(slope, c.slopeOut);
        EXPECT_EQ(intersect, c.intersectOut);
        EXPECT_EQ(ShownReal(pPopup, POPUP_NUMSlope), c.s);
        EXPECT_EQ(ShownReal(pPopup, POPUP_NUMIntersect), c.o);
    }
}

// Every word survives SetPanelValues then GetPanelValues with the fields
// untouched; only the two range checks change a word.
TEST_F(PanelTransfer, SlopeAndOffsetRoundTripForEveryWord) {
    for (u16 ccd : {1, 104}) {
        ccdtype = ccd;
        // Identification widens the field for CCD type 104 as here.
        SetCtrlRange(pPopup, POPUP_NUMSlope, 0.0, 65535.0 / SlopeScale());
        int failures = 0;
        for (int w = 0; w < 65536 && failures < 10; w++) {
            slope = static_cast<u16>(w);
            intersect = static_cast<u16>(w);
            SetPanelValues();
            if ((w & 63) == 0) DeleteGraphPlot(pHandle, PANEL_GRAPHBar, -1, 0);
            slope = intersect = 0xABCD;
            GetPanelValues();
            u16 s = w == 65535 ? 1024 : w;
            u16 o = w > 60000 ? 30000 : w;
            if (slope != s || intersect != o) {
                ADD_FAILURE() << "ccd " << ccd << " word " << w << ": slope " << slope
                              << " intersect " << intersect;
                failures++;
            }
        }
    }
}

TEST_F(PanelTransfer, HardwareModeDimsTheToleranceControls) {
    const struct {
        u16 hardware;
        int dimmed;
    } cases[] = {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {9, 1}}; // 9 becomes 3
    for (const auto &c : cases) {
        eHardware = c.hardware;
        SetPanelValues();
        int tol = -1, mode = -1;
        GetCtrlAttribute(pHandle, PANEL_NEDITTolerance, ATTR_DIMMED, &tol);
        GetCtrlAttribute(pHandle, PANEL_DropTolMode, ATTR_DIMMED, &mode);
        EXPECT_EQ(tol, c.dimmed) << c.hardware;
        EXPECT_EQ(mode, c.dimmed) << c.hardware;
    }
}

// The CCD line and the tolerance band go on top of what the bar graph holds;
// the band's left end may lie left of 0. The video graph gets the new
// threshold line.
TEST_F(PanelTransfer, SetPanelValuesRedrawsTheGraphs) {
    vThd = 700;
    tVal = 50;
    tTol = 80;
    eBeg = 12;
    eEnd = 7000;
    ccdpixE = 1024;
    for (int fetch = 1; fetch <= 3; fetch++)
        SetPanelValues();
    ASSERT_EQ(GetGraphRectCount(pHandle, PANEL_GRAPHBar), 6);

    double x1, y1, x2, y2;
    int frame, fill;
    ASSERT_GE(GetGraphRect(pHandle, PANEL_GRAPHBar, 4, &x1, &y1, &x2, &y2, &frame, &fill), 0);
    EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{0, 0, 8192, 1}));
    EXPECT_EQ(frame, 0xA0A0A0);
    EXPECT_EQ(fill, 0xA0A0A0);
    ASSERT_GE(GetGraphRect(pHandle, PANEL_GRAPHBar, 5, &x1, &y1, &x2, &y2, &frame, &fill), 0);
    EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{-30, 0, 130, 0.25}));
    EXPECT_EQ(fill, 0x00FF00);

    double x, y, min, max;
    ASSERT_GE(GetGraphCursor(pHandle, PANEL_GRAPHBar, 2, &x, &y), 0);
    EXPECT_EQ(x, 12.0);
    EXPECT_EQ(y, 0.75);
    ASSERT_GE(GetGraphCursor(pHandle, PANEL_GRAPHBar, 3, &x, &y), 0);
    EXPECT_EQ(x, 7000.0);
    // In sub-pixels, as the redraw scales it: the borders lie on the axis.
    ASSERT_GE(GetAxisRange(pHandle, PANEL_GRAPHBar, VAL_XAXIS, &min, &max), 0);
    EXPECT_EQ(min, 1.0);
    EXPECT_EQ(max, double(ccdsubpixel));
    EXPECT_GT(max, 7000.0);

    double threshold[256];
    int colour = 0;
    ASSERT_EQ(GetGraphPlotCount(pHandle, PANEL_GRAPHVideo), 2);
    ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 1, nullptr, threshold, 256, &colour),
              256);
    EXPECT_EQ(threshold[0], 700.0);
    EXPECT_EQ(threshold[255], 700.0);
}

} // namespace
