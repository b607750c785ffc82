// Test program of the application routines: a QApplication on the offscreen
// platform and both panels of the resource file.
#include "apptest.h"

#include "com232/com232.h"
#include "main/startup.h"
#include "testresets.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <QApplication>
#include <gtest/gtest.h>

int testPanel = -1;
int testPopup = -1;

void ResetAppState(void) {
    ResetVarsToLoad();
    pHandle = testPanel;
    pPopup = testPopup;
    ccdmaxpixel = 1024;
    ccdmaxpixelX8 = 8192;
    ccdsubpixel = 8192;
    ccdpixE = 1024;
    pixB = 1;
    pixE = 8191;
    YAXISMAX = 1024;
}

// Every other panel test skips without the panels; this one fails.
TEST(Panels, BothLoadFromTheResourceFile) {
    EXPECT_GT(testPanel, 0);
    EXPECT_GT(testPopup, 0);
}

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!::testing::GTEST_FLAG(list_tests)) {
        testPanel = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL);
        testPopup = LoadPanel(0, "VORTELIX-Riror14.uir", POPUP);
    }
    return RUN_ALL_TESTS();
}
