#include "uiharness.h"

#include "com232/com232.h"
#include "ptypeer.h"
#include "main/startup.h"
#include "testresets.h"
#include "com232/portsetup.h"
#include "main/callbacks.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

#include <QTimer>

#include <cstdlib>

bool StartProgramWindows() {
    static int loaded = -1;
    if (loaded >= 0) return loaded == 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    loaded = 0;
    if (!InitUserInterface(nullptr) || !InitCVIRTE(nullptr, nullptr, nullptr)) return false;
    RegisterCallbacks();
    const int panel = LoadPanel(0, "VORTELIX-Riror14.uir", PANEL);
    const int popup = LoadPanel(0, "VORTELIX-Riror14.uir", POPUP);
    if (panel < 0 || popup < 0) return false;
    pHandle = panel;
    pPopup = popup;
    loaded = 1;
    FreshStart();
    return true;
}

void FreshStart() {
    CloseCom(com);
    const int panel = pHandle, popup = pPopup;
    ResetVarsToLoad();
    pHandle = panel;
    pPopup = popup;
    GetProjectDir(proj_dir);
    InitVars();
}

bool OpenLine() {
    com = 1;
    if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0) return false;
    portGone = 0; // set up again, as InitRS232 does
    InstallComCallback(1, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    return true;
}

void After(QObject &context, double seconds, std::function<void()> action) {
    QTimer::singleShot(int(seconds * 1000), &context, std::move(action));
}

void When(QObject &context, std::function<bool()> condition, std::function<void()> action) {
    auto *look = new QTimer(&context);
    QObject::connect(look, &QTimer::timeout, [look, condition, action] {
        if (!condition()) return;
        look->stop();
        look->deleteLater();
        action();
    });
    look->start(1);
}

void PumpFor(double seconds) {
    const double end = Timer() + seconds;
    while (Timer() < end)
        ProcessSystemEvents();
}

std::string ControlText(int panel, int control) {
    char text[300] = {};
    GetCtrlVal(panel, control, text);
    return text;
}
