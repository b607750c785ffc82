#include "livetest.h"

#include "com232/com232.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "platform/rs232.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

int PanelInt(int control) {
    int v = 0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

bool Attribute(int control, int attribute) {
    int v = 0;
    GetCtrlAttribute(pHandle, control, attribute, &v);
    return v != 0;
}

void ExpectEnded() {
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(loopActive, 0);
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(PanelInt(PANEL_RBTRam), 1);
    for (int c : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2, PANEL_CTRLPostLoop})
        EXPECT_FALSE(Attribute(c, ATTR_DIMMED)) << "control " << c;
}
