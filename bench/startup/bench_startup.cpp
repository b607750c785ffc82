// Start-up to the window shown, against the line's own bound.
//
// The program's start-up steps run in this process as the executable runs
// them (run-time, panels, defaults, link chain on COM1, window shown), once
// with the paced simulator as COM1 and once with a sensor that stays silent.
// The bound is what the protocol itself takes: the line time of the
// exchanges at 19200 baud 8N1 (1920 bytes/s) plus the three 0.1 s pauses;
// without a sensor, the request and the 1.5 s reply limit.
#include "com232/com232.h"
#include "main/startup.h"
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "main/callbacks.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "simharness.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kBytesPerSecond = 1920.0;

// Panels, defaults, link chain, window shown: the seconds it takes.
double StartUp() {
    const double t0 = Timer();
    pHandle = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL);
    pPopup = LoadPanel(0, "VORTELIX-Riror14.uir", POPUP);
    if (pHandle < 0 || pPopup < 0) {
        std::fprintf(stderr, "cannot load the panels\n");
        std::exit(1);
    }
    GetProjectDir(proj_dir);
    InitVars();
    FillPortSelector();
    InitRS232(com);
    DisplayPanel(pHandle);
    ProcessSystemEvents();
    const double elapsed = Timer() - t0;
    CloseCom(com);
    DiscardPanel(pPopup);
    DiscardPanel(pHandle);
    return elapsed;
}

} // namespace

int main() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    InitUserInterface(nullptr);
    InitCVIRTE(nullptr, nullptr, nullptr);
    RegisterCallbacks();
    PortFolder folder;

    // Echo, identity and parameter frames: 36 bytes out, 36 back; the
    // firmware request: 36 out, 72 back.
    const double sensorBound = (3 * 72 + 108) / kBytesPerSecond + 3 * 0.1;
    const double silentBound = 36 / kBytesPerSecond + TIMEOUT;
    for (int run = 0; run < 3; run++) {
        double withSensor = 0, withoutSensor = 0;
        {
            sim::Config config = InstantConfig("t1");
            config.instant = false; // paced as at 19200 baud
            SimulatedSensor sensor(config, 1, folder);
            withSensor = StartUp();
        }
        {
            sim::Config config = InstantConfig("t1");
            config.faults.silent = true;
            SimulatedSensor sensor(config, 1, folder);
            withoutSensor = StartUp();
        }
        std::printf("run %d: with sensor %.3f s (bound %.3f s, ratio %.2f); without sensor %.3f s "
                    "(bound %.3f s, ratio %.2f)\n",
                    run + 1, withSensor, sensorBound, withSensor / sensorBound, withoutSensor,
                    silentBound, withoutSensor / silentBound);
    }
    return 0;
}
