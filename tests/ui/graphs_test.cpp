// Graphs and the strip chart as the measurement display drives them.
#include "uitest.h"

#include "platform/widgets/graphpicture.h"
#include "platform/widgets/histogramplot.h"
#include "testhooks.h"

#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <cstdint>
#include <vector>

TEST_F(PanelsTest, VideoGraphTakesTwoPlotsOfAnyTypeAndColour) {
    std::vector<double> x(256);
    std::vector<uint16_t> signal(256), threshold(256, 512);
    for (int i = 0; i < 256; ++i) {
        x[i] = 4.0 * i;
        signal[i] = uint16_t(i * 4);
    }
    // Redrawn as every video reply does: delete, two plots.
    for (int round = 0; round < 50; ++round) {
        DeleteGraphPlot(main, PANEL_GRAPHVideo, -1, 1);
        EXPECT_GT(PlotXY(main, PANEL_GRAPHVideo, x.data(), signal.data(), 256, VAL_DOUBLE,
                         VAL_UNSIGNED_SHORT_INTEGER, 5, 10, 0, 1, 0xFF0000),
                  0);
        EXPECT_GT(PlotXY(main, PANEL_GRAPHVideo, x.data(), threshold.data(), 256, VAL_DOUBLE,
                         VAL_UNSIGNED_SHORT_INTEGER, 5, 10, 0, 1, 0x008000),
                  0);
    }
    EXPECT_EQ(GetGraphPlotCount(main, PANEL_GRAPHVideo), 2);
    EXPECT_LE(static_cast<QCustomPlot *>(Widget(main, PANEL_GRAPHVideo))->graphCount(), 2)
        << "redrawing must not pile up plot objects";
    std::vector<double> px(256), py(256);
    int color = 0;
    ASSERT_EQ(GetGraphPlotPoints(main, PANEL_GRAPHVideo, 0, px.data(), py.data(), 256, &color),
              256);
    EXPECT_EQ(color, 0xFF0000);
    EXPECT_EQ(px[255], 1020.0);
    EXPECT_EQ(py[255], 1020.0);
    ASSERT_EQ(GetGraphPlotPoints(main, PANEL_GRAPHVideo, 1, px.data(), py.data(), 256, &color),
              256);
    EXPECT_EQ(color, 0x008000);
    EXPECT_EQ(py[0], 512.0);

    EXPECT_LT(PlotXY(main, PANEL_GRAPHVideo, x.data(), signal.data(), 256, VAL_DOUBLE, 99, 5, 10, 0,
                     1, 0),
              0)
        << "unknown data type";
    EXPECT_LT(PlotXY(main, PANEL_NUMPower, x.data(), signal.data(), 256, VAL_DOUBLE,
                     VAL_UNSIGNED_SHORT_INTEGER, 5, 10, 0, 1, 0),
              0)
        << "not a graph";
}

TEST_F(PanelsTest, BarGraphRectanglesGoButCursorsStay) {
    double lo = 0, hi = 0;
    GetAxisRange(main, PANEL_GRAPHBar, 1, &lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);

    SetGraphCursor(main, PANEL_GRAPHBar, 1, 512, 0.75);
    SetGraphCursor(main, PANEL_GRAPHBar, 2, 1, 0.75);
    SetGraphCursor(main, PANEL_GRAPHBar, 3, 1024, 0.75);
    PlotRectangle(main, PANEL_GRAPHBar, 0, 0, 8192, 1, 0xA0A0A0, 0xA0A0A0);
    PlotRectangle(main, PANEL_GRAPHBar, -88, 0, 612, 0.25, 0x00FF00, 0x00FF00);
    ASSERT_EQ(GetGraphRectCount(main, PANEL_GRAPHBar), 2);
    double x1, y1, x2, y2;
    int frame, fill;
    GetGraphRect(main, PANEL_GRAPHBar, 1, &x1, &y1, &x2, &y2, &frame, &fill);
    EXPECT_EQ(x1, -88.0);
    EXPECT_EQ(x2, 612.0);
    EXPECT_EQ(y2, 0.25);
    EXPECT_EQ(fill, 0x00FF00);

    DeleteGraphPlot(main, PANEL_GRAPHBar, -1, 0);
    EXPECT_EQ(GetGraphRectCount(main, PANEL_GRAPHBar), 0);
    double x = 0, y = 0;
    ASSERT_EQ(GetGraphCursor(main, PANEL_GRAPHBar, 3, &x, &y), 0);
    EXPECT_EQ(x, 1024.0);
    EXPECT_EQ(y, 0.75);
    EXPECT_LT(SetGraphCursor(main, PANEL_GRAPHBar, 4, 1, 1), 0);
    EXPECT_LT(SetGraphCursor(main, PANEL_GRAPHBar, 0, 1, 1), 0);
}

// The history of five traces in one flat array, point after point: trace t
// of point j at 5j + t - 1, the newest point last. Handed in whole for every
// reply (scroll mode 1) it is shown as it is; added call after call (mode 0)
// the chart scrolls on.
TEST_F(PanelsTest, StripChartShowsTheHistoryNewestAtTheRight) {
    SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_POINTS_PER_SCREEN, 101);
    SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_NUM_TRACES, 5);
    const int colors[5] = {0x008000, 0x008000, 0x000000, 0xFF0000, 0xFF0000};
    for (int t = 1; t <= 5; ++t)
        SetTraceAttribute(main, PANEL_CHARTRaw, t, ATTR_TRACE_COLOR, colors[t - 1]);
    const struct {
        int mode;
        int shown;   // points of a trace after three replies
        double left; // the leftmost of them, trace 1
    } cases[] = {{1, 100, 3000 + 1}, {0, 101, 2000 + 990 + 1}};
    for (const auto &c : cases) {
        SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_SCROLL_MODE, c.mode);
        std::vector<double> history(500);
        for (int reply = 1; reply <= 3; ++reply) {
            for (int j = 0; j < 100; ++j)
                for (int t = 1; t <= 5; ++t)
                    history[5 * j + t - 1] = 1000.0 * reply + 10 * j + t;
            ASSERT_EQ(PlotStripChart(main, PANEL_CHARTRaw, history.data(), 500, 0, 0, VAL_DOUBLE),
                      0);
        }
        for (int t = 1; t <= 5; ++t) {
            std::vector<double> shown(200);
            int color = -1;
            const int n = GetStripChartTrace(main, PANEL_CHARTRaw, t, shown.data(), 200, &color);
            ASSERT_EQ(n, c.shown) << "mode " << c.mode;
            EXPECT_EQ(color, colors[t - 1]);
            EXPECT_EQ(shown[n - 1], 3000.0 + 990 + t)
                << "newest point of the last reply at the right";
            EXPECT_EQ(shown[n - 100], 3000.0 + t) << "the last reply's 100 points in order";
        }
        std::vector<double> first(200);
        GetStripChartTrace(main, PANEL_CHARTRaw, 1, first.data(), 200, nullptr);
        EXPECT_EQ(first[0], c.left) << "mode " << c.mode;
    }
    double xlo, xhi;
    GetAxisRange(main, PANEL_CHARTRaw, 0, &xlo, &xhi);
    EXPECT_EQ(xhi - xlo, 100.0) << "101 points across the chart";
    EXPECT_LT(SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_NUM_TRACES, 0), 0);
    EXPECT_LT(SetCtrlAttribute(main, PANEL_CHARTRaw, ATTR_POINTS_PER_SCREEN, 1), 0);
}

// Rectangles are reused from one reply to the next; a reused one must still
// be drawn over those drawn before it.
TEST_F(PanelsTest, RedrawnRectanglesKeepTheirDrawingOrder) {
    DisplayPanel(main);
    auto *bar = static_cast<QCustomPlot *>(Widget(main, PANEL_GRAPHBar));
    SetAxisScalingMode(main, PANEL_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 0, 100);
    for (int round = 0; round < 3; ++round) {
        DeleteGraphPlot(main, PANEL_GRAPHBar, -1, 0);
        PlotRectangle(main, PANEL_GRAPHBar, 0, 0, 100, 1, 0xA0A0A0, 0xA0A0A0);
        PlotRectangle(main, PANEL_GRAPHBar, 20, 0.25, 40, 1, 0xFF0000, 0xFF0000);
        PlotRectangle(main, PANEL_GRAPHBar, 60, 0, 80, 0.35, 0x00FF00, 0x00FF00);
    }
    bar->replot();
    const QImage img = bar->grab().toImage();
    const auto at = [&](double x, double y) {
        return img.pixelColor(int(bar->xAxis->coordToPixel(x) * img.devicePixelRatio()),
                              int(bar->yAxis->coordToPixel(y) * img.devicePixelRatio()));
    };
    EXPECT_EQ(at(30, 0.6), QColor(0xFF, 0, 0));
    EXPECT_EQ(at(70, 0.2), QColor(0, 0xFF, 0));
    EXPECT_EQ(at(50, 0.6), QColor(0xA0, 0xA0, 0xA0));
}

// Pictures of the graphs: each format is the real thing (its signature), a
// failed write leaves the earlier file as it was, and the bytes for a report
// are a PNG of the size asked for.
TEST_F(PanelsTest, GraphPicturesAreWholeFilesOfTheirFormat) {
    std::vector<double> x{0, 512, 1024}, y{0, 900, 300};
    PlotXY(main, PANEL_GRAPHVideo, x.data(), y.data(), 3, VAL_DOUBLE, VAL_DOUBLE, 5, 10, 0, 1,
           0xFF0000);
    const std::vector<double> values(40, 1.5);
    PlotStripChart(main, PANEL_CHARTRaw, values.data(), 40, 0, 0, VAL_DOUBLE);
    QTemporaryDir dir;
    const struct {
        int kind;
        const char *name;
        QByteArray signature;
    } formats[] = {{PICTURE_PNG, "v.png", "\x89PNG"},
                   {PICTURE_PDF, "v.pdf", "%PDF"},
                   {PICTURE_SVG, "v.svg", "<?xml"},
                   {PICTURE_JPG, "v.jpg", "\xFF\xD8\xFF"}};
    for (const auto &f : formats) {
        for (int graph : {int(PANEL_GRAPHVideo), int(PANEL_CHARTRaw)}) {
            const QString path = dir.filePath(QString::number(graph) + f.name);
            char reason[260] = "";
            ASSERT_EQ(SaveGraphPicture(main, graph, QFile::encodeName(path).constData(), f.kind,
                                       640, 400, reason),
                      0)
                << f.name << ": " << reason;
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().startsWith(f.signature)) << f.name;
        }
    }
    QImage png(dir.filePath(QString::number(PANEL_GRAPHVideo) + "v.png"));
    EXPECT_EQ(png.size(), QSize(640, 400));

    // A folder that is not there: the reason is given and nothing is made.
    char reason[260] = "";
    const QByteArray missing = QFile::encodeName(dir.filePath("gone/v.png"));
    EXPECT_EQ(
        SaveGraphPicture(main, PANEL_GRAPHVideo, missing.constData(), PICTURE_PNG, 0, 0, reason),
        GRAPHPICTURE_WRITE_FAILED);
    EXPECT_STRNE(reason, "");
    EXPECT_EQ(SaveGraphPicture(main, PANEL_NUMPower, "x.png", PICTURE_PNG, 0, 0, nullptr),
              GRAPHPICTURE_NO_GRAPH)
        << "not a graph";

    std::vector<unsigned char> bytes;
    ASSERT_EQ(GraphPictureData(main, PANEL_GRAPHBar, 300, 200, &bytes), 0);
    const QImage fromBytes = QImage::fromData(bytes.data(), int(bytes.size()), "PNG");
    EXPECT_EQ(fromBytes.size(), QSize(300, 200));

    ASSERT_EQ(CopyGraphPicture(main, PANEL_GRAPHVideo), 0);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
}

// Both CCD graphs run in sub-pixels; the video graph was labelled "Pixel".
TEST_F(PanelsTest, CcdGraphsAreLabelledByTheirUnit) {
    for (int graph : {PANEL_GRAPHVideo, PANEL_GRAPHBar})
        EXPECT_EQ(static_cast<QCustomPlot *>(Widget(main, graph))->xAxis->label(),
                  QStringLiteral("Sub-pixels"))
            << graph;
}

// The histogram's texts keep clear of each other down to its narrowest (240
// pixels): the "below" and "above" shares met, and micrometre tick labels.
TEST(HistogramTexts, SharesAndTickLabelsDoNotMeet) {
    const long counts[] = {1, 4, 9, 4, 1};
    HistogramView v{12280.0, 2.5,     counts,  5, 0,      0,      0, 0,
                    12290.4, 12280.2, 12300.6, 1, 0.1234, 0.4567, 1, "Measured value [\xB5m]"};
    for (int width : {240, 480}) {
        HistogramPlot plot;
        plot.resize(width, 152);
        plot.show(v);
        plot.toPixmap(); // laid out and drawn at its size
        auto *below = qobject_cast<QCPItemText *>(plot.item(3));
        auto *above = qobject_cast<QCPItemText *>(plot.item(4));
        ASSERT_TRUE(below && above);
        EXPECT_FALSE(QRectF(below->topLeft->pixelPosition(), below->bottomRight->pixelPosition())
                         .intersects(QRectF(above->topLeft->pixelPosition(),
                                            above->bottomRight->pixelPosition())))
            << width;
        const QVector<double> at = plot.xAxis->tickVector();
        const QVector<QString> text = plot.xAxis->tickVectorLabels();
        const QFontMetrics font(plot.xAxis->tickLabelFont());
        for (int i = 1; i < at.size(); ++i)
            EXPECT_GT(plot.xAxis->coordToPixel(at[i]) - plot.xAxis->coordToPixel(at[i - 1]),
                      (font.horizontalAdvance(text[i]) + font.horizontalAdvance(text[i - 1])) / 2)
                << width << ": " << text[i].toStdString();
    }
}
