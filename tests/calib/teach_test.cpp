// Teach and analog-output reset against the simulated sensor, answering and
// silent.
#include "calibtest.h"

#include "com232/com232.h"
#include "com232/portsetup.h"
#include "main/controls.h"
#include "main/riror14.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "simharness.h"
#include "uiharness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TeachReset : public ::testing::Test {
  protected:
    void SetUp() override { FreshStart(); }
    void TearDown() override { FreshStart(); }
    PortFolder folder;
    QObject context;
};

int PanelInt(int control) {
    int v = 0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

TEST_F(TeachReset, TeachBringsTheSensorsNewSetPointIntoTheWindow) {
    sim::Config config = InstantConfig("t1");
    config.period = 0;
    config.faults.delay = 0.2; // time to see the text shown before the reply
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    // Evaluate the left edge: the still object's left edge is not the factory set-point.
    eMode = 0;
    SendCommand(1, 1);
    PumpFor(0.3);
    const unsigned before = tVal;
    const size_t framesBefore = sensor.framesReceived().size();
    std::string whileWaiting;
    After(context, 0.1, [&] { whileWaiting = ControlText(pHandle, PANEL_TEXTStatus); });
    Teach();
    EXPECT_EQ(whileWaiting, "New setpoint value teached!");
    const unsigned taught = sensor.ram()[8];
    EXPECT_NE(taught, before);
    EXPECT_EQ(tVal, taught);
    EXPECT_EQ(unsigned(PanelInt(PANEL_NEDITSetpoint)), taught);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Parameter-frame received! - Line Ok!");
    const std::vector<int> frames = sensor.framesReceived();
    EXPECT_EQ(std::vector<int>(frames.begin() + long(framesBefore), frames.end()),
              (std::vector<int>{6, 2}));
}

TEST_F(TeachReset, ResetReportsTheSensorsAnswer) {
    sim::Config config = InstantConfig("t1");
    config.faults.delay = 0.2;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    anaMax = 11;
    anaMin = 7;
    std::string whileWaiting;
    After(context, 0.1, [&] { whileWaiting = ControlText(pHandle, PANEL_TEXTStatus); });
    ResetAnalog();
    EXPECT_EQ(whileWaiting, "Reset Max/Min values...");
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Reset of analog-output Max/Min OK!");
    // Max and min change only with the next measurement.
    EXPECT_EQ(anaMax, 11);
    EXPECT_EQ(anaMin, 7);
    EXPECT_EQ(sensor.framesReceived().back(), 11);
}

// Waits out two time-outs: a sensor that does not answer teach or reset.
TEST_F(TeachReset, NoReplyToTeachOrReset) {
    sim::Config config = InstantConfig("t1");
    config.faults.ignore = {6, 11};
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    const u16 setPoint = tVal;
    const size_t framesBefore = sensor.framesReceived().size();

    double t0 = Timer();
    Teach();
    EXPECT_NEAR(Timer() - t0, 1.5, 0.3);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "New setpoint value teached!");
    EXPECT_EQ(tVal, setPoint);

    t0 = Timer();
    ResetAnalog();
    EXPECT_NEAR(Timer() - t0, 1.5, 0.3);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatus), "Timeout-RS-232...");

    const std::vector<int> frames = sensor.framesReceived();
    EXPECT_EQ(std::vector<int>(frames.begin() + long(framesBefore), frames.end()),
              (std::vector<int>{6, 11}))
        << "no read-back after an unanswered teach";
}

} // namespace
