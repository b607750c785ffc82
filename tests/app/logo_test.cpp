// The header variants of the main window: band colour, logo picture and the
// text messages that ShowLogo creates.
#include "apptest.h"

#include "logo/logo.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Line {
    std::string text; // empty: any text (the info lines are the variant's own)
    int left, top, size;
};

int Attr(int control, int attribute) {
    int v = -1;
    GetCtrlAttribute(pHandle, control, attribute, &v);
    return v;
}

// Number of the next control NewCtrl hands out; made by creating one.
int ProbeNextCtrl(void) {
    return ShowInfoText(0, 0xFFFFFF, 0, "", 0, 0, 11) + 1;
}

class Branding : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_PANELS();
        ResetAppState();
        std::strcpy(szSoftName, "VORTELIX-Riror");
        std::strcpy(szSoftVersion, "Version 1.4");
        SetCtrlAttribute(pHandle, PANEL_DECOLogo, ATTR_FRAME_COLOR, 0x123456);
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_VISIBLE, 1);
    }
};

TEST_F(Branding, VariantsDrawTheirHeader) {
    const int white = 0xFFFFFF, grey = 0x808080, blue = 0x0080FF;
    const struct {
        int variant, band, text;
        bool logo;
        int logoLeft, logoTop;
        std::vector<Line> lines;
    } cases[] = {
        {0,
         white,
         grey,
         false,
         0,
         0,
         {{"VORTELIX-Riror", 20, 20, 18}, {"Version 1.4", 170, 26, 11}}},
        {1,
         blue,
         white,
         false,
         0,
         0,
         {{"VORTELIX-Riror", 20, 20, 18}, {"Version 1.4", 170, 26, 11}}},
        {2,
         blue,
         white,
         true,
         300,
         10,
         {{"", 15, 10, 11},
          {"", 15, 25, 11},
          {"", 15, 40, 11},
          {"VORTELIX-Riror", 300, 35, 18},
          {"Version 1.4", 450, 40, 11}}},
        {3,
         white,
         grey,
         true,
         470,
         8,
         {{"VORTELIX-Riror", 20, 20, 18}, {"Version 1.4", 170, 26, 11}}},
        {4,
         blue,
         white,
         true,
         470,
         7,
         {{"", 15, 7, 11},
          {"", 15, 22, 11},
          {"", 15, 37, 11},
          {"VORTELIX-Riror", 220, 30, 18},
          {"Version 1.4", 370, 36, 11}}},
        {6,
         white,
         grey,
         true,
         470,
         7,
         {{"", 15, 7, 11},
          {"", 15, 22, 11},
          {"", 15, 37, 11},
          {"VORTELIX-Riror", 220, 30, 18},
          {"Version 1.4", 370, 36, 11}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.variant);
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_VISIBLE, 1);
        int first = ProbeNextCtrl();
        ShowLogo(c.variant);
        EXPECT_EQ(Attr(PANEL_DECOLogo, ATTR_FRAME_COLOR), c.band);
        EXPECT_EQ(Attr(PANEL_PICTLogo, ATTR_VISIBLE), c.logo ? 1 : 0);
        if (c.logo) {
            EXPECT_EQ(Attr(PANEL_PICTLogo, ATTR_LEFT), c.logoLeft);
            EXPECT_EQ(Attr(PANEL_PICTLogo, ATTR_TOP), c.logoTop);
        }
        int n = static_cast<int>(c.lines.size());
        for (int i = 0; i < n; i++) {
            const Line &l = c.lines[i];
            int ctrl = first + i;
            SCOPED_TRACE(i);
            char text[260] = "";
            ASSERT_GE(GetCtrlVal(pHandle, ctrl, text), 0);
            if (l.text.empty())
                EXPECT_GT(std::strlen(text), 5u);
            else
                EXPECT_EQ(std::string(text), l.text);
            EXPECT_EQ(Attr(ctrl, ATTR_LEFT), l.left);
            EXPECT_EQ(Attr(ctrl, ATTR_TOP), l.top);
            EXPECT_EQ(Attr(ctrl, ATTR_TEXT_POINT_SIZE), l.size);
            EXPECT_EQ(Attr(ctrl, ATTR_TEXT_BGCOLOR), c.band);
            EXPECT_EQ(Attr(ctrl, ATTR_TEXT_COLOR), c.text);
        }
        // Nothing beyond the variant's lines.
        int none = 0;
        EXPECT_LT(GetCtrlAttribute(pHandle, first + n, ATTR_VISIBLE, &none), 0);
    }
}

TEST_F(Branding, VariantsOutsideTheTableDrawNothing) {
    for (int variant : {5, 7, -1, 1000}) {
        SCOPED_TRACE(variant);
        int next = ProbeNextCtrl();
        ShowLogo(variant);
        int v = 0;
        EXPECT_LT(GetCtrlAttribute(pHandle, next, ATTR_VISIBLE, &v), 0);
        EXPECT_EQ(Attr(PANEL_DECOLogo, ATTR_FRAME_COLOR), 0x123456);
        EXPECT_EQ(Attr(PANEL_PICTLogo, ATTR_VISIBLE), 1);
    }
}

} // namespace
