// The link chain at start-up and on a port change, against the simulator.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "window/controls.h"
#include "platform/comtypes.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "simharness.h"
#include "uiharness.h"
#include "waits.h"

#include <gtest/gtest.h>

namespace {

class Startup : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    std::string Status() { return ControlText(pHandle, PANEL_TEXTStatus); }
    unsigned Control(int control) {
        unsigned short v = 0;
        GetCtrlVal(pHandle, control, &v);
        return v;
    }
    PortFolder folder;
};

TEST_F(Startup, ChainWithSensorTakesIdentitySettingsAndFirmware) {
    sim::Config config = InstantConfig("t1");
    config.firmware = "VTLX-SIM V2.14";
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok()) << sensor.error();

    InitRS232(1);

    std::vector<double> times;
    std::vector<int> codes;
    for (const SimEvent &e : sensor.events())
        if (e.dir == "rx" && e.kind == "frame") {
            codes.push_back(e.code);
            times.push_back(e.t);
        }
    ASSERT_EQ(codes, (std::vector<int>{5, 10, 2, 7}));
    for (int i = 1; i < 4; i++)
        EXPECT_GE(times[i] - times[i - 1], 0.095) << "pause before frame " << i;

    const auto &ram = sensor.ram();
    EXPECT_EQ(ccdtype, 1);
    EXPECT_EQ(power, ram[0]);
    EXPECT_EQ(vThd, ram[2]);
    EXPECT_EQ(tVal, ram[8]);
    EXPECT_EQ(Control(PANEL_NUMPower), power);
    EXPECT_EQ(Control(PANEL_NUMVideoThreshold), vThd);
    EXPECT_EQ(Control(PANEL_NEDITSetpoint), tVal);
    EXPECT_EQ(Status(), "VTLX-SIM V2.14");
    EXPECT_EQ(target, RAM);
}

TEST_F(Startup, WrongEchoWordStopsTheChain) {
    sim::Config config = InstantConfig("t1");
    config.faults.wrongSync = true;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    EXPECT_EQ(Status(), "read error - not sync byte 0xAA!");
    EXPECT_EQ(sensor.framesReceived(), std::vector<int>{5});
    EXPECT_EQ(ccdtype, 0);
}

// The cases wait out a full time limit (1.5 s, 2.0 s and 1.5 s).
TEST_F(Startup, SilentSensorAndMissingFirmwareTextAreReported) {
    {
        sim::Config config = InstantConfig("t1");
        config.faults.silent = true;
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        SetCtrlVal(pHandle, PANEL_NUMPower, 432);
        const unsigned powerBefore = power;
        const double t0 = Timer();
        InitRS232(1);
        EXPECT_GT(Timer() - t0, 1.45) << "the whole time limit";
        EXPECT_EQ(Status(), "Timeout-RS-232...");
        EXPECT_EQ(Control(PANEL_NUMPower), 432u) << "the panel keeps its values";
        EXPECT_EQ(power, powerBefore);
        EXPECT_EQ(sensor.framesReceived(), std::vector<int>{5});
    }
    FreshStart();
    {
        sim::Config config = InstantConfig("t3", 0);
        config.faults.ignore = {7};
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        EXPECT_EQ(Status(), "Error reading firmware-info!");
        EXPECT_EQ(ccdtype, 3) << "identity taken over";
        EXPECT_EQ(power, sensor.ram()[0]) << "settings taken over";
        EXPECT_EQ(sensor.framesReceived(), (std::vector<int>{5, 10, 2, 7}));
    }
    FreshStart();
    {
        // The read's failure stands last (the firmware text once covered it).
        sim::Config config = InstantConfig("t1");
        config.firmware = "VTLX-SIM V2.14";
        config.faults.ignore = {2};
        SimulatedSensor sensor(config, 1, folder);
        ASSERT_TRUE(sensor.ok());
        InitRS232(1);
        EXPECT_EQ(Status(), "Timeout-RS-232...");
        EXPECT_EQ(std::string(szFirmware).substr(0, 14), "VTLX-SIM V2.14") << "kept for the report";
        EXPECT_EQ(sensor.framesReceived(), (std::vector<int>{5, 10, 2, 7}));
    }
}

TEST_F(Startup, ChoosingThePortAgainRunsTheWholeChain) {
    SimulatedSensor sensor(InstantConfig("t2-750", 100), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const unsigned pixEFirst = pixE;
    EXPECT_EQ(pixEFirst, 1024u * 8);

    SetCtrlVal(pHandle, PANEL_NUMPower, 999); // an edit the fresh read replaces
    SetCtrlVal(pHandle, PANEL_DropDCom, 1);
    CC_DropDCom(pHandle, PANEL_DropDCom, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(sensor.framesReceived(), (std::vector<int>{5, 10, 2, 7, 5, 10, 2, 7}));
    EXPECT_EQ(Control(PANEL_NUMPower), sensor.ram()[0]);
    EXPECT_EQ(pixE, pixEFirst) << "the limit is scaled once per identification";
    EXPECT_EQ(stop_flag, 1);

    // Other events do nothing.
    CC_DropDCom(pHandle, PANEL_DropDCom, EVENT_LEFT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(sensor.framesReceived().size(), 8u);
}

TEST_F(Startup, OpenErrorsShowTheirTexts) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder); // the folder lists a port
    ASSERT_TRUE(sensor.ok());
    InitRS232(77);
    EXPECT_EQ(Status(), "Invalid port number");
    EXPECT_TRUE(sensor.framesReceived().empty());

    const struct {
        int code;
        const char *text;
    } table[] = {{kComUnknownSystemError, "Unknown system error"},
                 {kComInvalidPort, "Invalid port number"},
                 {kComPortNotOpen, "Port is not open"},
                 {kComIOError, "Unknown I/0 error"},
                 {kComNoSerialPort, "No serial port found"},
                 {kComCannotOpen, "Cannot open port"},
                 {kComInvalidParameter, "Invalid parameter"},
                 {kComTimeout, "Timeout"},
                 // Results the run-time has no name for get the general text.
                 {-5, "RS-232 error!"},
                 {-100, "RS-232 error!"}};
    for (const auto &row : table)
        EXPECT_STREQ(OpenErrorText(row.code), row.text) << row.code;
}

TEST_F(Startup, PortSelectorListsLinkedPorts) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    FillPortSelector();
    int count = 0;
    GetNumListItems(pHandle, PANEL_DropDCom, &count);
    EXPECT_GE(count, 1);
    int value = 0;
    GetCtrlVal(pHandle, PANEL_DropDCom, &value);
    EXPECT_EQ(value, 1);
}

} // namespace
