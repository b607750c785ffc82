// Parameter exchange from the main window: setting editors, target selector,
// Send and Get.
#include "main/params.h"

#include "com232/com232.h"
#include "com232/syncword.h"
#include "gui/linkview.h"
#include "gui/panelio.h"
#include "gui/parafile.h"
#include "gui/pushget.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/widgets/userint.h"

#include <cstdio>

static constexpr int CURSOR_LEFT = 2;   // GRAPHBar cursor of the left border
static constexpr int CURSOR_RIGHT = 3;  // GRAPHBar cursor of the right border
static constexpr double CURSOR_Y = 1.0; // height at which the editors place them

static constexpr int FIELD_MARKED = 0xFFD0D0; // background of a field in conflict
static constexpr int FIELD_PLAIN = 0xFFFFFF;  // background of a field as usual

// Window left right of Window right finds no edges: both fields are marked
// and the line below them says so. Nothing is corrected: Send sends what the
// user chose.
void ShowWindowBorders(void) {
    int left = 0, right = 0; // the borders as the fields show them
    GetCtrlVal(pHandle, PANEL_NEDITEdgeLeft, &left);
    GetCtrlVal(pHandle, PANEL_NEDITEdgeRight, &right);
    const int crossed = left > right;
    for (int field : {PANEL_NEDITEdgeLeft, PANEL_NEDITEdgeRight})
        SetCtrlAttribute(pHandle, field, ATTR_TEXT_BGCOLOR, crossed ? FIELD_MARKED : FIELD_PLAIN);
    SetCtrlAttribute(pHandle, PANEL_TEXTWindowBorders, ATTR_VISIBLE, crossed);
}

int CC_NEDITEdgeLeft(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    u16 v = 0; // left border as entered
    GetCtrlVal(pHandle, PANEL_NEDITEdgeLeft, &v);
    if (v < pixB) {
        v = pixB;
        eBeg = v;
    }
    if (v > pixE) {
        v = static_cast<u16>(pixE - 1);
        eBeg = v;
    }
    SetCtrlVal(pHandle, PANEL_NEDITEdgeLeft, static_cast<int>(v));
    SetGraphCursor(pHandle, PANEL_GRAPHBar, CURSOR_LEFT, v, CURSOR_Y);
    ShowWindowBorders();
    return 0;
}

int CC_NEDITEdgeRight(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    u16 v = 0; // right border as entered
    GetCtrlVal(pHandle, PANEL_NEDITEdgeRight, &v);
    if (v > pixE) {
        v = pixE;
        eEnd = v;
    }
    if (v < pixB) {
        v = static_cast<u16>(pixB + 1);
        eEnd = v;
    }
    SetCtrlVal(pHandle, PANEL_NEDITEdgeRight, static_cast<int>(v));
    SetGraphCursor(pHandle, PANEL_GRAPHBar, CURSOR_RIGHT, v, CURSOR_Y);
    ShowWindowBorders();
    return 0;
}

int CC_NEDITTolerance(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    u16 v = 0; // tolerance as entered
    GetCtrlVal(pHandle, PANEL_NEDITTolerance, &v);
    SetCtrlVal(pHandle, PANEL_NUMTolerance, static_cast<int>(v));
    return 0;
}

int CC_DropHardwareMode(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    u16 mode = 0; // hardware mode as chosen
    GetCtrlVal(pHandle, PANEL_DropHardwareMode, &mode);
    const int dim = mode == 1 || mode == 3;
    SetCtrlAttribute(pHandle, PANEL_NEDITTolerance, ATTR_DIMMED, dim);
    SetCtrlAttribute(pHandle, PANEL_DropTolMode, ATTR_DIMMED, dim);
    return 0;
}

int CC_TOGGBTN_ParaII(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int on = 0; // toggle state
    GetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, &on);
    if (on)
        DisplayPanel(pPopup);
    else
        HidePanel(pPopup);
    return 0;
}

// Makes t the target and sets the three buttons to show it and only it.
// A button the user set selects its target; one the user cleared selects RAM.
static void TargetButtonChanged(int control, int t) {
    int on = 0; // button state after the click
    GetCtrlVal(pHandle, control, &on);
    SelectTarget(on ? t : RAM);
}

int CC_RBTRam(int, int, int event, void *, int, int) {
    if (event == EVENT_VAL_CHANGED) TargetButtonChanged(PANEL_RBTRam, RAM);
    return 0;
}

int CC_RBTEeprom(int, int, int event, void *, int, int) {
    if (event == EVENT_VAL_CHANGED) TargetButtonChanged(PANEL_RBTEeprom, EEPROM);
    return 0;
}

int CC_RBTFile(int, int, int event, void *, int, int) {
    if (event == EVENT_VAL_CHANGED) TargetButtonChanged(PANEL_RBTFile, DATFILE);
    return 0;
}

// Acts on the press alone (3), which the keyboard and a screen reader raise
// too, before their commit.
int CC_BTNSend(int, int, int event, void *, int, int) {
    if (event != EVENT_LEFT_CLICK || LineBusy()) return 0;
    char before[260] = ""; // the status line as it was, for a cancelled save
    GetCtrlVal(pHandle, PANEL_TEXTStatus, before);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Transmit...");
    if (target == DATFILE) {
        if (!SelectParaFileToSave()) {
            SetCtrlVal(pHandle, PANEL_TEXTStatus, before);
        } else if (SendParaToFile()) {
            char saved[sizeof file_name + 32];
            std::snprintf(saved, sizeof saved, "Parameters saved to %s", file_name);
            SetCtrlVal(pHandle, PANEL_TEXTStatus, saved);
        }
        return 0;
    }
    // No reply is awaited, and the queues are left alone: a frame still
    // waiting to leave is not thrown away. The frame is counted like every
    // other: a run loop whose pump ran this click sees that pp and any reply
    // now belong to this frame, not to its own request.
    sync = COMMAND_SYNC;
    GetPanelValues();
    CopyVarsToPP();
    if (SendFrame(target == EEPROM ? CODE_WRITE_EEPROM : CODE_WRITE_RAM, pp, ANSWER_NONE) ==
        FRAMELEN)
        SetCtrlVal(pHandle, PANEL_TEXTStatus, "Line Ok!");
    return 0;
}

int CC_BTNGet(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || LineBusy()) return 0;
    if (target == DATFILE) {
        // Nothing was read (cancelled or a bad file): the settings and the
        // window keep what the user typed, edits not yet sent included.
        const int fileRead = ReadParaFromFile(); // 1, 0 or -1
        if (fileRead < 0) SetCtrlVal(pHandle, PANEL_TEXTStatus, PARAFILE_READ_ERROR);
        if (fileRead <= 0) return 0;
    }
    PushGET(target);
    ShowWindowBorders();
    return 0;
}
