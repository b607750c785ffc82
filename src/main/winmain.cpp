// Start-up and shut-down.
#include "main/winmain.h"

#include "com232/com232.h"
#include "main/startup.h"
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "main/callbacks.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "main/windows.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"
#include "export/graphexport.h"

static const char UIR_FILE[] = "VORTELIX-Riror14.uir";

// Ctrl-C, kill and logout end the program as closing the main window does.
static void QuitOnSignal(void) {
    CC_PANEL(pHandle, EVENT_CLOSE, nullptr, 0, 0);
}

int WinMain(void *hInstance, void *, char *, int) {
    if (InitUserInterface(nullptr) == 0) return -1;
    if (InitCVIRTE(hInstance, nullptr, nullptr) == 0) return -1;
    RegisterCallbacks();
    pHandle = LoadPanel(0, UIR_FILE, PANEL);
    if (pHandle < 0) return -1;
    pPopup = LoadPanel(0, UIR_FILE, POPUP);
    if (pPopup < 0) return -1;
    GetProjectDir(proj_dir);
    InitVars();
    FillPortSelector();
    StartRecordingPanel();
    InstallGraphExport();
    InstallQuitSignals(QuitOnSignal);
    InitRS232(com);

    DisplayPanel(pHandle);
    WatchPorts();
    RunUserInterface();

    CloseCom(com);
    DiscardPanel(pPopup);
    DiscardPanel(pHandle);
    return 0;
}
