// The header band when the system's fonts run wider than the design assumed:
// its items move aside instead of running into each other.
#include "logo/logo.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Rect {
    int left, top, width, height;
};

Rect RectOf(int panel, int control) {
    Rect r{};
    GetCtrlAttribute(panel, control, ATTR_LEFT, &r.left);
    GetCtrlAttribute(panel, control, ATTR_TOP, &r.top);
    GetCtrlAttribute(panel, control, ATTR_WIDTH, &r.width);
    GetCtrlAttribute(panel, control, ATTR_HEIGHT, &r.height);
    return r;
}

bool Apart(const Rect &a, const Rect &b) {
    return a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
           b.top + b.height <= a.top;
}

TEST(Header, LongerTextsPushTheirNeighboursAside) {
    const int shared = pHandle;
    pHandle = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL); // a header of its own
    ASSERT_GT(pHandle, 0);
    char name[72], version[72];
    std::strcpy(name, szSoftName);
    std::strcpy(version, szSoftVersion);
    // As wide as the name and version would run in a font half again as wide.
    std::strcpy(szSoftName, "VORTELIX-Riror VORTELIX");
    std::strcpy(szSoftVersion, "Version 1.4 (build of the day)");

    const int first = NewCtrl(pHandle, CTRL_TEXT_MSG, "", 0, 0) + 1;
    ShowLogo(2); // three info lines, the name and the version, in that order
    std::vector<Rect> items = {RectOf(pHandle, PANEL_PICTLogo)};
    for (int c = first; c < first + 5; c++)
        items.push_back(RectOf(pHandle, c));
    for (size_t i = 0; i < items.size(); i++)
        for (size_t j = i + 1; j < items.size(); j++)
            EXPECT_TRUE(Apart(items[i], items[j])) << "items " << i << " and " << j;
    const Rect &nameBox = items[4], &versionBox = items[5];
    EXPECT_GE(versionBox.left, nameBox.left + nameBox.width + 8) << "the version moved right";
    EXPECT_EQ(nameBox.left, 300) << "the name keeps its place";

    std::strcpy(szSoftName, name);
    std::strcpy(szSoftVersion, version);
    DiscardPanel(pHandle);
    pHandle = shared;
}

} // namespace
