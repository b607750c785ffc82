#include "paramstest.h"

#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/panelio.h"
#include "window/controls.h"
#include "platform/runtime.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "uiharness.h"
#include "waits.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

void ParamsTest::SetUp() {
    FreshStart();
    // The geometry of a 1024-pixel sensor, as identification leaves it.
    ccdtype = 1;
    ccdsubpixel = 8192;
    ccdmaxpixelX8 = 8192;
    char name[] = "/tmp/vtlx-params-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
}

void ParamsTest::TearDown() {
    ClearFileSelectAnswer();
    FreshStart();
    std::filesystem::remove_all(dir_);
}

std::string ParamsTest::Status() const {
    return ControlText(pHandle, PANEL_TEXTStatus);
}

Words SetA() {
    return {700, 2, 300, 1, 0, 3, 100, 900, 400, 50, 1, 2, 1536, 29980, 16, 1};
}
Words SetB() {
    return {600, 3, 200, 2, 1, 2, 50, 1000, 300, 70, 0, 0, 2048, 30010, 8, 2};
}

static void PutIntoVariables(const Words &w) {
    for (int i = 0; i < PNUM; i++)
        pp[i] = static_cast<u16>(w[i]);
    CopyPPtoVars();
}

void ShowInWindow(const Words &shown, const Words &variables) {
    PutIntoVariables(shown);
    SetPanelValues();
    PutIntoVariables(variables);
}

Words Variables() {
    CopyVarsToPP();
    Words w{};
    for (int i = 0; i < PNUM; i++)
        w[i] = pp[i];
    return w;
}

Words WindowWords() {
    const Words before = Variables();
    GetPanelValues();
    const Words shown = Variables();
    PutIntoVariables(before);
    return shown;
}

static Words Of(const sim::Words &w) {
    Words out{};
    for (int i = 0; i < PNUM; i++)
        out[i] = w[i];
    return out;
}

Words SensorRam(SimulatedSensor &sensor) {
    return sensor.thread().Inspect([](const sim::Sensor &s) { return Of(s.Ram()); });
}

Words SensorEeprom(SimulatedSensor &sensor) {
    return sensor.thread().Inspect([](const sim::Sensor &s) { return Of(s.Eeprom()); });
}

std::vector<int> FramesAfterWait(const SimulatedSensor &sensor, std::size_t count) {
    std::vector<int> codes = sensor.framesReceived();
    PumpUntil([&] { return (codes = sensor.framesReceived()).size() >= count; });
    return codes;
}

void StartWithEepromARamB(const SimulatedSensor &sensor) {
    InitRS232(1);
    ASSERT_EQ(FramesAfterWait(sensor, 4).size(), 4u);
    u16 a[PNUM], b[PNUM];
    for (int i = 0; i < PNUM; i++) {
        a[i] = u16(SetA()[i]);
        b[i] = u16(SetB()[i]);
    }
    SendFrame(3, a, ANSWER_NONE);
    SendFrame(1, b, ANSWER_NONE);
    ASSERT_EQ(FramesAfterWait(sensor, 6).size(), 6u);
}

QWidget *WindowHolding(const char *childName) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->findChild<QWidget *>(QString::fromLatin1(childName))) return w;
    return nullptr;
}
