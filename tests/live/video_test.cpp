// The video loop and its data blocks: block requests by board type, the
// samples read, a block that does not come, and the threshold field.
#include "com232/com232.h"
#include "com232/datablocks.h"
#include "com232/portsetup.h"
#include "gui/pushget.h"
#include "gui/runloop.h"
#include "livetest.h"
#include "main/controls.h"
#include "main/live.h"
#include "platform/runtime.h"
#include "platform/testhooks.h"
#include "platform/userint.h"
#include "simharness.h"
#include "uiharness.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

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
    struct Case {
        const char *preset;
        int pcbtype;
        std::vector<int> codes;                   // requests after each code 8
        std::vector<std::vector<unsigned>> words; // their words 0 and 1
        const char *status;
    };
    const std::vector<std::vector<unsigned>> quarters = {{0, 0}, {64, 0}, {128, 0}, {192, 1}};
    const Case cases[] = {
        {"t1", 100, {9, 9, 9, 9}, quarters, "Data[64] block received!"},
        {"t1-30", 0, {9, 9, 9, 9}, quarters, "Data[64] block received!"},
        {"t101", 400, {11}, {{0, 0}}, "Data[256] block received!"},
        {"t1", 1, {11}, {{0, 0}}, "Data[256] block received!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.preset) + ", board " + std::to_string(c.pcbtype));
        LoggedSensor sensor(InstantConfig(c.preset, c.pcbtype), folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        ASSERT_EQ(pcbtype, c.pcbtype);
        target = EEPROM;
        After(context, 0.05, [&] { Stop(); });
        StartVideo();
        EXPECT_EQ(target, RAM);
        EXPECT_EQ(stop_flag, 1);
        EXPECT_EQ(loopActive, 0);
        EXPECT_TRUE(Visible(PANEL_GRAPHVideo));
        EXPECT_FALSE(Visible(PANEL_CHARTRaw));
        for (int ctl : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2, PANEL_CTRLPostLoop})
            EXPECT_FALSE(Dimmed(ctl)) << "control " << ctl;
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), c.status);

        // After the start-up chain (5, 10, 2, 7): code 8, then the blocks, frame by frame.
        std::vector<LogLine> frames;
        for (const LogLine &l : sensor.lines())
            if (l.dir == "rx" && l.kind == "frame") frames.push_back(l);
        ASSERT_GT(frames.size(), 4u + 1 + c.codes.size());
        const size_t per = 1 + c.codes.size();
        EXPECT_EQ((frames.size() - 4) % per, 0u);
        for (size_t f = 4; f < frames.size(); f += per) {
            ASSERT_EQ(frames[f].code, 8) << "frame " << f;
            for (size_t b = 0; b < c.codes.size(); b++) {
                const LogLine &r = frames[f + 1 + b];
                ASSERT_EQ(r.code, c.codes[b]) << "frame " << f << " block " << b;
                ASSERT_EQ(r.words[0], c.words[b][0]);
                ASSERT_EQ(r.words[1], c.words[b][1]);
                for (size_t k = 2; k < 16; k++)
                    ASSERT_EQ(r.words[k], 0u);
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

// A hand-made sensor: answers code 8 with a run reply and code 9 with a block
// whose sample k of the block starting at first is (first + k + 1, k + 2) in
// its two bytes, so the block at 0 begins 01 02. It leaves the first request
// for the block at 192 unanswered.
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
        bool skipped = false;
        while (!done_) {
            const auto chunk = peer_.read(36, 20);
            in.insert(in.end(), chunk.begin(), chunk.end());
            while (in.size() >= 36) {
                const int code = in[2] << 8 | in[3];
                const int first = in[4] << 8 | in[5];
                in.erase(in.begin(), in.begin() + 36);
                if (code == 8) {
                    runRequests++;
                    peer_.write(Frame(0xAA, 8,
                                      {100, 300, 200, 0, 0, 512, 100, 2, 0, 1, 500, 0, 0,
                                       unsigned(runRequests), 0, 0}));
                } else if (code == 9) {
                    if (first == 192 && !skipped) {
                        skipped = true;
                        continue;
                    }
                    std::vector<unsigned char> block;
                    for (int k = 0; k < 64; k++) {
                        block.push_back((first + k + 1) & 0xFF);
                        block.push_back(k + 2);
                    }
                    peer_.write(block);
                }
            }
        }
    }
    PtyPeer peer_;
    std::thread worker_;
    std::atomic<bool> done_{false};
};

// Waits out the 1.5 s block time-out once.
TEST_F(Video, UnansweredBlockTimesOutAndVideoGoesOn) {
    BlockPeer sensor(folder);
    ASSERT_TRUE(OpenLine());
    pcbtype = 100;
    std::vector<std::string> shown; // every status text, in order
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string now = ControlText(pHandle, PANEL_TEXTStatus);
        if (shown.empty() || shown.back() != now) shown.push_back(now);
    });
    watch.start(0); // at every pump
    After(context, 1.7, [&] { Stop(); });
    const double t0 = Timer();
    StartVideo();
    watch.stop();
    EXPECT_NEAR(Timer() - t0, 1.7, 0.3);
    EXPECT_GE(sensor.runRequests, 2);

    const std::string timeout = "Timeout-RS-232 while reading 64 data-words!";
    const auto at = std::find(shown.begin(), shown.end(), timeout);
    ASSERT_NE(at, shown.end());
    EXPECT_NE(std::find(at, shown.end(), "Data[64] block received!"), shown.end());
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Data[64] block received!");
    EXPECT_EQ(adcbuf[0], 0x0102);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(adcbuf[i], BlockPeer::Sample(i)) << "sample " << i;
    EXPECT_EQ(Ledge, 100);
    EXPECT_EQ(Redge, 300);
}

TEST_F(Video, ThresholdFieldRedrawsTheLineAgainstXArray) {
    for (int i = 0; i < 256; i++) {
        adcbuf[i] = static_cast<u16>(3 * i);
        xArray8[i] = 8.0 * i + 1;
    }
    const u16 threshold = vThd;
    SetCtrlVal(pHandle, PANEL_NUMVideoThreshold, 321);
    struct Case {
        int event;
        bool redrawn;
    };
    for (const Case &c : {Case{EVENT_COMMIT, false}, Case{EVENT_LEFT_CLICK, false},
                          Case{EVENT_VAL_CHANGED, true}}) {
        DeleteGraphPlot(pHandle, PANEL_GRAPHVideo, -1, 1);
        CC_NUMVideoThreshold(pHandle, PANEL_NUMVideoThreshold, c.event, nullptr, 0, 0);
        ASSERT_EQ(GetGraphPlotCount(pHandle, PANEL_GRAPHVideo), c.redrawn ? 2 : 0) << c.event;
        EXPECT_EQ(thdArray[0], c.redrawn ? 321 : threshold) << c.event;
    }
    double x[256], y[256];
    int colour = 0;
    ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 0, x, y, 256, &colour), 256);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(x[i], xArray[i]) << i;
        ASSERT_EQ(y[i], double(adcbuf[i])) << i;
        ASSERT_EQ(thdArray[i], 321) << i;
    }
    ASSERT_EQ(GetGraphPlotPoints(pHandle, PANEL_GRAPHVideo, 1, x, y, 256, &colour), 256);
    EXPECT_EQ(y[0], 321.0);
    EXPECT_EQ(y[255], 321.0);
    EXPECT_EQ(vThd, threshold); // the setting follows only with the panel transfer
}

} // namespace
