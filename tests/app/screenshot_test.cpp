// Draws a typical reply into the real main window (offscreen) and saves it as
// a PNG for a person to look at; checks that the picture holds the header
// band, the red edge bars and the green tolerance band.
#include "apptest.h"

#include "gui/panelio.h"
#include "gui/plots.h"
#include "logo/logo.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

QWidget *ShownWindow(void) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow()) return w;
    return nullptr;
}

int CountColour(const QImage &img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) n++;
    return n;
}

TEST(Screenshot, MainWindowWithATypicalReply) {
    REQUIRE_PANELS();
    ResetAppState();
    // A fresh copy of the main window: the other tests leave headers of every
    // variant on the shared one.
    pHandle = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL);
    ASSERT_GT(pHandle, 0);
    std::strcpy(szSoftName, "VORTELIX-Riror");
    std::strcpy(szSoftVersion, "Version 1.4");
    ShowLogo(2);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Sensor found on COM1");

    // Settings as a fetch leaves them, then a run reply in centre mode.
    power = 500;
    vThd = 512;
    eMode = 2;
    eBeg = 200;
    eEnd = 8000;
    tVal = 2400;
    tTol = 120;
    eHardware = 2;
    slope = 1024;
    intersect = 30000;
    average = 4;
    for (int i = 0; i < 256; i++) {
        xArray8[i] = 32.0 * i;
        double x = 32.0 * i;
        adcbuf[i] =
            static_cast<u16>(x > 2900 && x < 5300 ? 140 + (i * 7) % 25 : 830 + (i * 13) % 35);
    }
    SetPanelValues();
    SetCtrlVal(pHandle, PANEL_SWITCHZoom, 1);
    edcnt = 2;
    mvstart = 10;
    mvend = 20;
    anaMax = 2600;
    anaMin = 2300;
    for (int k = 0; k < 100; k++) {
        Ledge = static_cast<u16>(2900 + 30 * std::sin(k * 0.2));
        Redge = static_cast<u16>(5300 + 20 * std::cos(k * 0.15));
        Mvalue = static_cast<u16>(Redge - Ledge);
        umValue = Mvalue * 12;
        PlotVIDEOBarGraph();
        PlotRAWGraphX8();
    }
    PlotVIDEOCurve(adcbuf, xArray8);

    DisplayPanel(pHandle);
    QApplication::processEvents();
    QWidget *window = ShownWindow();
    ASSERT_NE(window, nullptr);
    QImage img = window->grab().toImage();
    DiscardPanel(pHandle);
    pHandle = testPanel;
    ASSERT_FALSE(img.isNull());

    QString path = QDir::current().absoluteFilePath("app-main-window.png");
    ASSERT_TRUE(img.save(path));
    std::printf("main window picture: %s\n", qPrintable(path));

    EXPECT_GT(CountColour(img, 0x0080FF), 1000); // header band, variant 2
    EXPECT_GT(CountColour(img, 0xFF0000), 200);  // red bars beside the edges
    EXPECT_GT(CountColour(img, 0x00FF00), 50);   // green tolerance bars
}

} // namespace
