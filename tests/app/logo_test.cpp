// The header variants of the main window: band colour, logo picture and the
// text messages that ShowLogo creates.
#include "apptest.h"

#include "logo/logo.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
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

// One row of the documented table of header variants.
struct Variant {
    int variant = -1, band = 0, text = 0;
    bool logo = false;
    int logoLeft = 0, logoTop = 0;
    std::vector<Line> lines;
};

// Reads the table of docs/branding.md: "| 2 | blue #0080FF | ... | 300, 10 |
// 15, 10 | 300, 35 | 450, 40 |"; a "—" leaves a part out.
std::vector<Variant> DocumentedVariants() {
    std::vector<Variant> out;
    std::ifstream in(VTLX_BRANDING_DOC);
    for (std::string row; std::getline(in, row);) {
        std::vector<std::string> cells;
        std::stringstream split(row);
        for (std::string cell; std::getline(split, cell, '|');)
            cells.push_back(cell);
        if (cells.size() < 8 || !std::isdigit(static_cast<unsigned char>(cells[1][1]))) continue;
        auto colour = [](const std::string &c) {
            return std::stoi(c.substr(c.find('#') + 1), nullptr, 16);
        };
        auto at = [](const std::string &c, int *left, int *top) {
            return std::sscanf(c.c_str(), " %d, %d", left, top) == 2;
        };
        Variant v;
        v.variant = std::stoi(cells[1]);
        v.band = colour(cells[2]);
        v.text = colour(cells[3]);
        v.logo = at(cells[4], &v.logoLeft, &v.logoTop);
        int left = 0, top = 0;
        if (at(cells[5], &left, &top))
            for (int i = 0; i < 3; i++)
                v.lines.push_back({"", left, top + 15 * i, 11});
        if (at(cells[6], &left, &top)) v.lines.push_back({"VORTELIX-Riror", left, top, 18});
        if (at(cells[7], &left, &top)) v.lines.push_back({"Version 1.4", left, top, 11});
        out.push_back(v);
    }
    return out;
}

TEST_F(Branding, VariantsDrawTheirDocumentedHeader) {
    const std::vector<Variant> cases = DocumentedVariants();
    ASSERT_EQ(cases.size(), 6u) << "the table of " VTLX_BRANDING_DOC;
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
