// Fetching the parameter set: one request, one reply frame of sixteen words.
#include "gui/pushget.h"

#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/panelio.h"
#include "window/controls.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

void PushGET(int t) {
    FetchParameters(t);
    SetPanelValues();
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
}
