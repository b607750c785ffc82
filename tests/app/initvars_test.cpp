// The panel steps of InitVars: status line, panel values over the defaults,
// and the first marks of the bar graph.
#include "apptest.h"

#include "window/controls.h"
#include "settings/riror14.h"
#include "main/startup.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(InitVars, PanelValuesReplaceDefaultsAndBarGraphIsMarked) {
    REQUIRE_PANELS();
    ResetAppState();
    // Values that differ from every default, with the band starting left of 0.
    SetCtrlVal(pHandle, PANEL_NUMPower, 321);
    SetCtrlVal(pHandle, PANEL_NUMVideoThreshold, 222);
    SetCtrlVal(pHandle, PANEL_NEDITSetpoint, 40);
    SetCtrlVal(pHandle, PANEL_NEDITTolerance, 90);
    SetCtrlVal(pHandle, PANEL_NEDITEdgeLeft, 33);
    SetCtrlVal(pHandle, PANEL_NEDITEdgeRight, 999);
    SetCtrlVal(pPopup, POPUP_NUMSlope, 1.5);
    SetCtrlVal(pPopup, POPUP_NUMIntersect, -2.0);
    PlotRectangle(pHandle, PANEL_GRAPHBar, 0, 0, 10, 1, 0xA0A0A0, 0xA0A0A0);

    InitVars();

    EXPECT_EQ(power, 321);
    EXPECT_EQ(vThd, 222);
    EXPECT_EQ(tVal, 40);
    EXPECT_EQ(tTol, 90);
    EXPECT_EQ(eBeg, 33);
    EXPECT_EQ(eEnd, 999);
    EXPECT_EQ(slope, 1536);
    EXPECT_EQ(intersect, 29998);
    EXPECT_EQ(thdArray[255], 222);
    EXPECT_EQ(xArray[255], 1020.0);

    char status[260] = "";
    GetCtrlVal(pHandle, PANEL_TEXTStatus, status);
    EXPECT_STREQ(status, "InitVars");
    EXPECT_STREQ(szSoftName, "VORTELIX-Riror");
    EXPECT_STREQ(szSoftVersion, "Version " VTLX_VERSION)
        << "the header shows the program's version";

    ASSERT_EQ(GetGraphRectCount(pHandle, PANEL_GRAPHBar), 1);
    double x1, y1, x2, y2;
    int frame, fill;
    GetGraphRect(pHandle, PANEL_GRAPHBar, 0, &x1, &y1, &x2, &y2, &frame, &fill);
    EXPECT_EQ(x1, -50.0);
    EXPECT_EQ(y1, 0.0);
    EXPECT_EQ(x2, 130.0);
    EXPECT_EQ(y2, 0.25);
    EXPECT_EQ(fill, 0x00FF00);

    const struct {
        int cursor;
        double x;
    } cursors[] = {{1, 40}, {2, 33}, {3, 999}};
    for (const auto &c : cursors) {
        double x = -1, y = -1;
        GetGraphCursor(pHandle, PANEL_GRAPHBar, c.cursor, &x, &y);
        EXPECT_EQ(x, c.x) << c.cursor;
        EXPECT_EQ(y, 1.0) << c.cursor;
    }
}

} // namespace
