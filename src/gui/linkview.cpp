// The window's side of the sensor link.
#include "gui/linkview.h"

#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/linksink.h"
#include "gui/panelio.h"
#include "window/controls.h"
#include "platform/widgets/userint.h"

void SelectTarget(int t) {
    target = t;
    SetCtrlVal(pHandle, PANEL_RBTRam, t == RAM ? 1 : 0);
    SetCtrlVal(pHandle, PANEL_RBTEeprom, t == EEPROM ? 1 : 0);
    SetCtrlVal(pHandle, PANEL_RBTFile, t == DATFILE ? 1 : 0);
}

static void DimAnalogControls(int dimmed) {
    SetCtrlAttribute(pHandle, PANEL_DropAnaMode, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_CTRLAnalogGroup, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMax, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMin, ATTR_DIMMED, dimmed);
}

void ShowHardwareInfo(void) {
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    const CcdRow *row = CcdTypeRow();
    if (row->line0) ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 0, row->line0);
    if (row->line1) ReplaceTextBoxLine(pPopup, POPUP_TEXTBOXSensor, 1, row->line1);
    if (row->onText) {
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_ON_TEXT, row->onText);
        SetCtrlAttribute(pHandle, PANEL_SWITCHOpMode, ATTR_OFF_TEXT, row->offText);
    }
    if (ccdtype == 1) SetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, 1);
    if (ccdtype == 3 || ccdtype == 4)
        SetAxisScalingMode(pHandle, PANEL_CHARTRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, ccdmaxpixel);
    // The slope field takes what the slope word can hold at this sensor's scale.
    SetCtrlRange(pPopup, POPUP_NUMSlope, 0.0, 65535.0 / SlopeScale());
    if (pcbtype == 100)
        DimAnalogControls(0);
    else if (pcbtype == 400)
        DimAnalogControls(1);
}

static void ShowStatus(const char *text) {
    SetCtrlVal(pHandle, PANEL_TEXTStatus, text);
}

static void ShowFetchedSettings(void) {
    SetPanelValues();
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
}

void InstallDesktopLinkSink(void) {
    static const LinkSink desktop = {ShowStatus, ShowHardwareInfo, SelectTarget,
                                     ShowFetchedSettings};
    InstallLinkSink(&desktop);
}
