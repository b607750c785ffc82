// Both windows as PNG files in the build folder, filled the way the program
// fills them, for a look by eye. Checks that they fit a 1366x768 screen.
#include "settle.h"
#include "uitest.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void Header(int panel) {
    SetCtrlAttribute(panel, PANEL_DECOLogo, ATTR_FRAME_COLOR, 0x0080FF);
    const struct {
        const char *text;
        int left, top, size;
    } lines[] = {{"Example Sensor Works", 15, 10, 11},
                 {"Tel. 555 0100", 15, 25, 11},
                 {"www.example.invalid", 15, 40, 11},
                 {"VORTELIX-Riror", 300, 35, 18},
                 {"Version 1.4", 450, 40, 11}};
    for (const auto &l : lines) {
        const int c = NewCtrl(panel, CTRL_TEXT_MSG, "", l.top, l.left);
        SetCtrlAttribute(panel, c, ATTR_TEXT_BGCOLOR, 0x0080FF);
        SetCtrlAttribute(panel, c, ATTR_TEXT_COLOR, 0xFFFFFF);
        SetCtrlAttribute(panel, c, ATTR_TEXT_POINT_SIZE, l.size);
        SetCtrlVal(panel, c, l.text);
    }
}

void Measurement(int panel) {
    SetAxisScalingMode(panel, PANEL_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, 8192);
    DeleteGraphPlot(panel, PANEL_GRAPHBar, -1, 0);
    PlotRectangle(panel, PANEL_GRAPHBar, 0, 0, 8192, 1, 0xA0A0A0, 0xA0A0A0);
    PlotRectangle(panel, PANEL_GRAPHBar, 1, 0.25, 3000, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPHBar, 5200, 0.25, 8192, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPHBar, 3900, 0, 4300, 0.35, 0x00FF00, 0x00FF00);
    SetGraphCursor(panel, PANEL_GRAPHBar, 1, 4100, 0.75);
    SetGraphCursor(panel, PANEL_GRAPHBar, 2, 8, 0.75);
    SetGraphCursor(panel, PANEL_GRAPHBar, 3, 8184, 0.75);

    SetCtrlAttribute(panel, PANEL_CHARTRaw, ATTR_NUM_TRACES, 5);
    SetAxisScalingMode(panel, PANEL_CHARTRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 8192);
    const int colors[5] = {0x008000, 0x008000, 0x000000, 0xFF0000, 0xFF0000};
    for (int t = 1; t <= 5; ++t)
        SetTraceAttribute(panel, PANEL_CHARTRaw, t, ATTR_TRACE_COLOR, colors[t - 1]);
    std::vector<double> h(500);
    for (int j = 0; j < 100; ++j) {
        const double m = 4100 + 150 * std::sin(j / 8.0);
        const double v[5] = {4300, 3900, 4100, m, m};
        for (int t = 0; t < 5; ++t)
            h[5 * j + t] = v[t];
    }
    PlotStripChart(panel, PANEL_CHARTRaw, h.data(), 500, 0, 0, VAL_DOUBLE);

    std::vector<double> x(256);
    std::vector<uint16_t> s(256), thd(256, 512);
    for (int i = 0; i < 256; ++i) {
        x[i] = 4.0 * i;
        s[i] = uint16_t(i > 95 && i < 160 ? 120 : 850 + 40 * std::sin(i / 5.0));
    }
    SetAxisScalingMode(panel, PANEL_GRAPHVideo, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 1024);
    PlotXY(panel, PANEL_GRAPHVideo, x.data(), s.data(), 256, VAL_DOUBLE, VAL_UNSIGNED_SHORT_INTEGER,
           5, 10, 0, 1, 0xFF0000);
    PlotXY(panel, PANEL_GRAPHVideo, x.data(), thd.data(), 256, VAL_DOUBLE,
           VAL_UNSIGNED_SHORT_INTEGER, 5, 10, 0, 1, 0x008000);
    for (auto [c, v] : {std::pair{36, 3000}, {37, 5200}, {32, 4100}, {30, 4100}, {35, 200}})
        SetCtrlVal(panel, c, v);
    SetCtrlVal(panel, PANEL_TEXTStatus, "Line Ok!");
}

QString Save(QWidget *window, const char *name) {
    window->show();
    EXPECT_TRUE(Settle(window));
    const QString path = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath(QString::fromLatin1(name));
    window->grab().save(path);
    std::printf("screenshot: %s\n", qPrintable(path));
    return path;
}

} // namespace

TEST_F(PanelsTest, BothWindowsAsPictures) {
    Header(main);
    Measurement(main);
    QWidget *mainWin = Widget(main, PANEL_NUMPower)->window();
    QWidget *popupWin = Widget(popup, POPUP_NUMSlope)->window();
    EXPECT_LE(mainWin->minimumSizeHint().width(), 1366);
    EXPECT_LE(mainWin->minimumSizeHint().height(), 740) << "room for a task bar on 1366x768";
    EXPECT_LE(popupWin->minimumSizeHint().height(), 740);

    // A logo bitmap placed over the header band.
    QImage logo(120, 50, QImage::Format_RGB32);
    logo.fill(QColor(0xFF, 0xC0, 0x00));
    const QString logoFile = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath("logo-test.png");
    logo.save(logoFile);
    ASSERT_EQ(DisplayImageFile(main, PANEL_PICTLogo, logoFile.toLocal8Bit().constData()), 0);
    SetCtrlAttribute(main, PANEL_PICTLogo, ATTR_TOP, 10);
    SetCtrlAttribute(main, PANEL_PICTLogo, ATTR_LEFT, 600);

    const QImage run(Save(mainWin, "panel-run.png"));
    const qreal dpr = run.devicePixelRatio();
    EXPECT_EQ(run.pixelColor(int(610 * dpr), int(20 * dpr)), QColor(0xFF, 0xC0, 0x00))
        << "the logo lies over the header band";
    SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_VISIBLE, 0);
    SetCtrlAttribute(main, PANEL_GRAPHVideo, ATTR_VISIBLE, 1);
    const QImage video(Save(mainWin, "panel-video.png"));
    ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, 0, "CCD type 1: 2048 pixels");
    ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, 1, "pitch 14 \xB5m, working range 28 mm");
    const QImage cal(Save(popupWin, "popup.png"));
    for (const QImage *img : {&run, &video, &cal})
        EXPECT_FALSE(img->isNull());
    EXPECT_EQ(run.size(), mainWin->size() * mainWin->devicePixelRatio());
}
