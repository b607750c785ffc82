// Identification: what the tool takes from each kind of sensor.
#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/portsetup.h"
#include "window/controls.h"
#include "platform/rs232.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "simharness.h"
#include "uiharness.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct Row {
    const char *preset;
    int pcbtype, softversion;
    const char *line0, *line1; // nullptr: kept (the text before)
    const char *on, *off;      // nullptr: kept
    unsigned pixB, pixE;       // 0: kept
    unsigned yaxis;
};

const char *kBefore = "before";

// Texts are Windows-1252; \xB5 is the micro sign.
const Row kRows[] = {
    {"t1-30", 0, 214, "CCD-SENSOR:1024 pixel; 3.0\xB5m res.;", "optical-lense, 3.0mm working range",
     nullptr, nullptr, 1, 1024, 1024},
    {"t1", 0, 214, "CCD-SENSOR:1024 pixel; 7.8\xB5m pixel-pitch;", "8.0mm working range", nullptr,
     nullptr, 1, 1024, 1024},
    {"t2-750", 0, 220, "CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
     "opt.-lense, 75mm working range", "HI-GAIN", "LO-GAIN", 0, 0, 1024},
    {"t2-350", 0, 220, "CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
     "opt.-lense, 35mm working range", "HI-GAIN", "LO-GAIN", 1, 1024, 256},
    {"t2-250", 0, 214, "CCD-SENSOR:1024 pixel; 25\xB5m pixel-pitch;",
     "Working-Range: 25,6mm,  Resolution: 12.5\xB5m (subpixel x2)", "HI-GAIN", "LO-GAIN", 1, 1024,
     1024},
    {"t2", 0, 220, nullptr, nullptr, nullptr, nullptr, 0, 0, 1024},
    {"t3", 0, 214, "CCD-SENSOR:512 pixel; 25\xB5m pixel-pitch;", "12,8mm working range", "HI-GAIN",
     "LO-GAIN", 1, 512, 1024},
    {"t4", 0, 220, "CCD-SENSOR:512 pixel; 12,5\xB5m pixel-pitch;", "6,4mm working range", nullptr,
     nullptr, 1, 512, 1024},
    {"t101", 0, 220, "CCD-SENSOR:256 pixel; 63.5\xB5m pixel-pitch;", "16mm working range",
     "ADC-CNV", "DIG-CMP", 1, 256, 1024},
    {"t102", 0, 219, "CCD-SENSOR:768 pixel; 63.5\xB5m pixel-pitch;",
     "Working-Range: 48,8mm, Resolution: 31.75\xB5m (subpixel x2)", "ADC-CNV", "DIG-CMP", 1, 768,
     1024},
    {"t102", 0, 220, "CCD-SENSOR:768 pixel; 63.5\xB5m pixel-pitch;",
     "Working-Range: 48,8mm, Resolution: 31.75\xB5m (subpixel x2)", "ADC-CNV", "DIG-CMP", 1, 768,
     256},
    {"t104", 0, 220, "CCD-SENSOR:1536 pixel; 63.5\xB5m pixel-pitch;",
     "Working-Range: 97,5mm,   Resolution: 63.5\xB5m", "ADC-CNV", "DIG-CMP", 1, 1536, 256},
    {"unknown", 0, 214, "CCD-SENSOR: no information avialable!",
     "                                     ", "ADC-CNV", "DIG-CMP", 1, 1024, 1024},
};

class Identify : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }

    // Opens COM1 on the sensor and runs the hardware request alone.
    int Identify1() {
        com = 1;
        if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0) return -1;
        InstallComCallback(1, eventMask, FRAMELEN, 0x55, RX_Receive_Function, nullptr);
        return GetHARDWAREInfo();
    }
    std::string Line(int n) {
        const std::string text = ControlText(pPopup, POPUP_TEXTBOXSensor);
        size_t start = 0;
        for (int i = 0; i < n; i++)
            start = text.find('\n', start) + 1;
        const size_t end = text.find('\n', start);
        return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    std::string SwitchText(int attribute) {
        char text[300] = {};
        GetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, attribute, text);
        return text;
    }
    PortFolder folder;
};

TEST_F(Identify, EveryRowOfTheTypeTable) {
    for (const Row &row : kRows) {
        SCOPED_TRACE(std::string(row.preset) + " softversion " + std::to_string(row.softversion));
        FreshStart();
        ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 0, kBefore);
        ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 1, kBefore);
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_ON_TEXT, kBefore);
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_OFF_TEXT, kBefore);
        pixB = 7;
        pixE = 777;
        SimulatedSensor sensor(InstantConfig(row.preset, row.pcbtype, row.softversion), 1, folder);
        ASSERT_TRUE(sensor.ok());
        ASSERT_EQ(Identify1(), 1);
        EXPECT_EQ(Line(0), row.line0 ? row.line0 : kBefore);
        EXPECT_EQ(Line(1), row.line1 ? row.line1 : kBefore);
        EXPECT_EQ(SwitchText(ATTR_ON_TEXT), row.on ? row.on : kBefore);
        EXPECT_EQ(SwitchText(ATTR_OFF_TEXT), row.off ? row.off : kBefore);
        // Rows that keep the limit start from the last pixel limit set (1024 at start).
        EXPECT_EQ(pixB, row.pixB ? row.pixB : 7u);
        EXPECT_EQ(pixE, row.pixE ? row.pixE : 1024u);
        EXPECT_EQ(YAXISMAX, row.yaxis);
        EXPECT_EQ(softversion, row.softversion);
        CloseCom(1);
    }
}

TEST_F(Identify, PositionTablesAndTypeEffects) {
    {
        sim::Config config = InstantConfig("t103", 100);
        sim::OverrideIdentity(config.model, "ccdpixE", 1180);
        sim::OverrideIdentity(config.model, "ccdsubpixel", 8192);
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        ASSERT_EQ(Identify1(), 1);
        EXPECT_EQ(pixB, 1);
        EXPECT_EQ(pixE, 9440);
        EXPECT_EQ(ccdmaxpixel, 256) << "1180 pixels is not a listed count";
        EXPECT_EQ(xArray[0], 0.0);
        EXPECT_EQ(xArray[255], 255.0);
        EXPECT_EQ(xArray8[1], 32.0);
        EXPECT_EQ(xArray8[255], 8160.0);
        int dimmed = -1;
        for (int control :
             {PANEL_DropAnaMode, PANEL_CTRLAnalogGroup, PANEL_NUMAnaMax, PANEL_NUMAnaMin}) {
            GetCtrlAttribute(pHandle, control, ATTR_DIMMED, &dimmed);
            EXPECT_EQ(dimmed, 0) << "control " << control;
        }
        double lo = 0, hi = 0;
        GetAxisRange(pHandle, PANEL_GRAPHVideo, 0, &lo, &hi);
        EXPECT_EQ(hi, 8192.0);
        CloseCom(1);
    }
    {
        sim::Config config = InstantConfig("t3", 400);
        sim::OverrideIdentity(config.model, "ccdsubpixel", 999);
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        ASSERT_EQ(Identify1(), 1);
        EXPECT_EQ(xArray[255], 510.0) << "512 pixels: factor 2";
        EXPECT_EQ(xArray8[255], 1020.0) << "unlisted sub-pixel range: factor 4";
        int dimmed = -1;
        GetCtrlAttribute(pHandle, PANEL_NUMAnaMax, ATTR_DIMMED, &dimmed);
        EXPECT_EQ(dimmed, 1);
        double lo = -1, hi = -1;
        GetAxisRange(pHandle, PANEL_CHARTRaw, 1, &lo, &hi);
        EXPECT_EQ(lo, 0.0);
        EXPECT_EQ(hi, 512.0) << "types 3 and 4 scale the strip chart to the pixel count";
        CloseCom(1);
    }
    {
        SimulatedSensor sensor(InstantConfig("t1", 0), 1, folder);
        ASSERT_TRUE(sensor.ok());
        SetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, 0);
        ASSERT_EQ(Identify1(), 1);
        int visible = 0;
        GetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, &visible);
        EXPECT_EQ(visible, 1) << "type 1 shows the micrometre value";
        CloseCom(1);
    }
}

TEST_F(Identify, ReplyWithAnotherCodeStoresWordsOnly) {
    // A peer that answers code 10 with code 8: the words are taken, nothing is configured.
    PtyPeer peer;
    folder.link(1, peer.device());
    std::thread answer([&] {
        peer.read(36, 1000);
        peer.write(Frame(0xAA, 8, {104, 1536, 0, 400, 12288, 1536, 1, 1536, 220}));
    });
    pixE = 555;
    const int got = Identify1();
    answer.join();
    EXPECT_EQ(got, 0);
    EXPECT_EQ(ccdtype, 104);
    EXPECT_EQ(softversion, 220);
    EXPECT_EQ(pixE, 555) << "nothing configured";
    EXPECT_EQ(YAXISMAX, 1024);
    CloseCom(1);
}

TEST_F(Identify, FirmwareTextInBothFormats) {
    for (int pcb : {0, 400}) {
        SCOPED_TRACE("pcbtype " + std::to_string(pcb));
        FreshStart();
        sim::Config config = InstantConfig("t1", pcb);
        config.firmware = "V1.0";
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        ASSERT_EQ(Identify1(), 1);
        EXPECT_EQ(GetVERSIONInfo(), 72);
        EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "V1.0");
        if (pcb == 0) {
            EXPECT_STREQ(szVersion, "V1.0");
        }
        EXPECT_STREQ(szFirmware, "V1.0") << "kept for the report on both paths";
        // The callback is back: a frame is taken again.
        EXPECT_EQ(rx_flag, 0);
        SendCommand(2, 1);
        EXPECT_EQ(WaitReply(TIMEOUT, "Timeout-RS-232...", 0), 1);
        CloseCom(1);
    }
}

} // namespace
