// The video loop and its data blocks: requests by board type, the samples
// read, a block that does not come, and the threshold field.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/pushget.h"
#include "livetest.h"
#include "window/controls.h"
#include "main/live.h"
#include "main/params.h"
#include "platform/runtime.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "simharness.h"
#include "uiharness.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class Video : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    void StartVideo() { CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0); }
    void Stop() { CC_BTNStop(pHandle, 5, EVENT_LEFT_CLICK, nullptr, 0, 0); }
    PortFolder folder;
    QObject context;
};

TEST_F(Video, BlockRequestsFollowTheBoardAndTheSamplesTheSensorsLine) {
    const std::vector<std::vector<unsigned>> quarters = {{9, 0, 0},
                                                         {9, 64, 0},
                                                         {9, 128, 0},
                                                         {9, 192, 1}},
                                             whole = {{11, 0, 0}};
    const struct {
        const char *preset;
        int pcbtype;
        const std::vector<std::vector<unsigned>> &blocks; // code, words 0 and 1
        const char *status;
    } cases[] = {
        {"t1", 100, quarters, "Data[64] block received!"},
        {"t1-30", 0, quarters, "Data[64] block received!"},
        {"t101", 400, whole, "Data[256] block received!"},
        {"t1", 1, whole, "Data[256] block received!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.preset) + ", board " + std::to_string(c.pcbtype));
        SimulatedSensor sensor(InstantConfig(c.preset, c.pcbtype), 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        ASSERT_EQ(pcbtype, c.pcbtype);
        target = EEPROM;
        After(context, 0.05, [&] { Stop(); });
        StartVideo();
        ExpectEnded();
        EXPECT_TRUE(Attribute(PANEL_GRAPHVideo, ATTR_VISIBLE));
        EXPECT_FALSE(Attribute(PANEL_CHARTRaw, ATTR_VISIBLE));
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), c.status);

        // After the start-up chain (5, 10, 2, 7), frame by frame: code 8, the blocks.
        const auto frames = sensor.lines("rx", "frame");
        const size_t per = 1 + c.blocks.size();
        ASSERT_GE(frames.size(), 4 + per);
        EXPECT_EQ((frames.size() - 4) % per, 0u);
        for (size_t f = 4; f + per <= frames.size(); f += per) {
            ASSERT_EQ(frames[f].code, 8) << "frame " << f;
            for (size_t b = 0; b < c.blocks.size(); b++) {
                std::vector<unsigned> expected(17, 0);
                std::copy(c.blocks[b].begin(), c.blocks[b].end(), expected.begin());
                std::vector<unsigned> sent = {unsigned(frames[f + 1 + b].code)};
                sent.insert(sent.end(), frames[f + 1 + b].words.begin(),
                            frames[f + 1 + b].words.end());
                ASSERT_EQ(sent, expected) << "frame " << f << ", block " << b;
            }
        }
        // The samples are the sensor's line of the last measurement, as plotted.
        const auto line = sensor.thread().Inspect([](const sim::Sensor &s) { return s.Video(); });
        double x[256], y[256];
        int colour = 0;
        ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 0, x, y, 256, &colour), 256);
        for (int i = 0; i < 256; i++) {
            ASSERT_EQ(adcbuf[i], line[i]) << "sample " << i;
            ASSERT_EQ(y[i], double(adcbuf[i])) << "sample " << i;
            ASSERT_EQ(x[i], xArray8[i]) << "sample " << i;
        }
        // The receive callback is back: an ordinary exchange works.
        PushGET(RAM);
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Parameter-frame received! - Line Ok!");
        FreshStart();
    }
}

// A hand-made sensor: answers code 8 with a run reply, and code 9 with a
// block whose sample k from first has the bytes (first + k + 1, k + 2), so
// the block at 0 begins 01 02. The first request for the block at 192 gets
// no answer.
class BlockPeer {
  public:
    explicit BlockPeer(PortFolder &folder) {
        folder.link(1, peer_.device());
        worker_ = std::thread([this] { Serve(); });
    }
    ~BlockPeer() {
        done_ = true;
        worker_.join();
    }
    static unsigned Sample(int i) { return unsigned((i + 1) & 0xFF) << 8 | unsigned(i % 64 + 2); }
    std::atomic<int> runRequests{0};

  private:
    void Serve() {
        std::vector<unsigned char> in;
        for (bool skipped = false; !done_;) {
            const auto chunk = peer_.read(36, 20);
            in.insert(in.end(), chunk.begin(), chunk.end());
            for (; in.size() >= 36; in.erase(in.begin(), in.begin() + 36)) {
                const int code = in[3], first = in[4] << 8 | in[5];
                if (code == 8)
                    peer_.write(Frame(0xAA, 8,
                                      {100, 300, 200, 0, 0, 512, 100, 2, 0, 1, 500, 0, 0,
                                       unsigned(++runRequests), 0, 0}));
                if (code != 9 || (first == 192 && !skipped && (skipped = true))) continue;
                std::vector<unsigned char> block;
                for (int k = 0; k < 64; k++)
                    block.insert(block.end(),
                                 {(unsigned char)(first + k + 1), (unsigned char)(k + 2)});
                peer_.write(block);
            }
        }
    }
    PtyPeer peer_;
    std::thread worker_;
    std::atomic<bool> done_{false};
};

// Waits out the 1.5 s block time-out.
TEST_F(Video, UnansweredBlockTimesOutAndVideoGoesOn) {
    BlockPeer sensor(folder);
    ASSERT_TRUE(OpenLine());
    pcbtype = 100;
    std::vector<std::string> shown; // the status texts seen in the pumps, in order
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string now = ControlText(pHandle, PANEL_TEXTStatus);
        if (shown.empty() || shown.back() != now) shown.push_back(now);
    });
    watch.start(0);
    // Half-way through the wait for the late block, a fetch is asked for:
    // its frame would flush the block, so it is refused as busy.
    std::string refused;
    unsigned framesBefore = 0, framesAfter = 0;
    After(context, 0.8, [&] {
        framesBefore = frameCount;
        CC_BTNGet(pHandle, 0, EVENT_COMMIT, nullptr, 0, 0);
        framesAfter = frameCount;
        refused = ControlText(pHandle, PANEL_TEXTStatus);
    });
    After(context, 1.7, [&] { Stop(); });
    StartVideo();
    watch.stop();
    EXPECT_EQ(refused, BUSY_TEXT);
    EXPECT_EQ(framesAfter, framesBefore) << "nothing sent while the block was awaited";
    EXPECT_GE(sensor.runRequests, 2);
    const auto at =
        std::find(shown.begin(), shown.end(), "Timeout-RS-232 while reading 64 data-words!");
    ASSERT_NE(at, shown.end());
    EXPECT_NE(std::find(at, shown.end(), "Data[64] block received!"), shown.end());
    EXPECT_EQ(adcbuf[0], 0x0102);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(adcbuf[i], BlockPeer::Sample(i)) << "sample " << i;
    EXPECT_EQ(Redge, 300);
}

// The threshold line is drawn in the units of the video loop's curve and
// axis; before any sensor is identified xArray8 is all zero, and the whole
// pixels of xArray serve.
TEST_F(Video, ThresholdFieldRedrawsTheLineInTheVideoUnits) {
    for (int i = 0; i < 256; i++) {
        adcbuf[i] = static_cast<u16>(3 * i);
        xArray8[i] = 8.0 * i + 1;
    }
    const u16 setting = vThd;
    SetCtrlVal(pHandle, PANEL_NUMVideoThreshold, 321);
    for (int event : {EVENT_COMMIT, EVENT_LEFT_CLICK, EVENT_VAL_CHANGED}) {
        const bool redraws = event == EVENT_VAL_CHANGED;
        DeleteGraphPlot(pHandle, PANEL_GRAPHVideo, -1, 1);
        CC_NUMVideoThreshold(pHandle, PANEL_NUMVideoThreshold, event, nullptr, 0, 0);
        ASSERT_EQ(GetGraphPlotCount(pHandle, PANEL_GRAPHVideo), redraws ? 2 : 0) << event;
        EXPECT_EQ(thdArray[255], redraws ? 321 : setting) << event;
    }
    for (u16 subpixels : {u16(0), u16(2048)}) {
        ccdsubpixel = subpixels;
        CC_NUMVideoThreshold(pHandle, PANEL_NUMVideoThreshold, EVENT_VAL_CHANGED, nullptr, 0, 0);
        const double *expected = subpixels ? xArray8 : xArray;
        double x[2][256], y[2][256];
        int colour = 0;
        for (int plot : {0, 1})
            ASSERT_EQ(
                GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, plot, x[plot], y[plot], 256, &colour),
                256);
        for (int i = 0; i < 256; i++) {
            ASSERT_EQ(x[0][i], expected[i]) << subpixels << " " << i;
            ASSERT_EQ(y[0][i], double(adcbuf[i])) << i;
            ASSERT_EQ(y[1][i], 321.0) << i;
        }
    }
    EXPECT_EQ(vThd, setting); // the setting follows only with the panel transfer
}

// A sub-pixel sensor (positions in eighths of a pixel, 8192 sub-pixels on a
// line of 1180 pixels) and a whole-pixel one: the video curve spans its axis
// in the loop and after a threshold edit, and the bar graph's axis is in the
// units of the edges from the first fetch on.
TEST_F(Video, AxesAndCurvesShareTheirUnits) {
    struct Case {
        const char *preset;
        int pcbtype;
        int subpixels; // 0: the model's own
    } cases[] = {{"t103", 100, 8192}, {"t1-30", 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.preset);
        sim::Config config = InstantConfig(c.preset, c.pcbtype);
        if (c.subpixels) config.model.id.ccdsubpixel = u16(c.subpixels);
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        ASSERT_GT(ccdsubpixel, 0);
        const double top = ccdsubpixel;
        double lo = 0, hi = 0;
        ASSERT_EQ(GetAxisRange(pHandle, PANEL_GRAPHBar, 0, &lo, &hi), 0);
        EXPECT_EQ(lo, 1.0);
        EXPECT_EQ(hi, top) << "bar graph before the first measurement";

        auto curveSpansTheAxis = [&](const char *when) {
            ASSERT_EQ(GetAxisRange(pHandle, PANEL_GRAPHVideo, 0, &lo, &hi), 0);
            EXPECT_EQ(lo, 1.0) << when;
            EXPECT_EQ(hi, top) << when;
            double x[256], y[256];
            int colour = 0;
            ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 0, x, y, 256, &colour), 256);
            EXPECT_LE(x[255], hi) << when << ": the last sample lies on the axis";
            EXPECT_GT(x[255], 0.9 * hi) << when << ": the samples span the axis";
        };
        After(context, 0.1, [&] { Stop(); });
        StartVideo();
        curveSpansTheAxis("video loop");
        ASSERT_EQ(GetAxisRange(pHandle, PANEL_GRAPHBar, 0, &lo, &hi), 0);
        EXPECT_EQ(hi, top) << "bar graph in the loop";
        CC_NUMVideoThreshold(pHandle, PANEL_NUMVideoThreshold, EVENT_VAL_CHANGED, nullptr, 0, 0);
        curveSpansTheAxis("threshold edited");
        FreshStart();
    }
}

} // namespace
