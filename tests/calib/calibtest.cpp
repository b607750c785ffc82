#include "calibtest.h"

#include "main/controls.h"
#include "main/riror14.h"
#include "main/teach.h"
#include "platform/userint.h"
#include "popup/calibration.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

void After(QObject &context, double seconds, std::function<void()> action) {
    QTimer::singleShot(int(seconds * 1000), &context, std::move(action));
}

bool PopupShown() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->findChild<QWidget *>(QStringLiteral("ButtonDoFit"))) return w->isVisible();
    return false;
}

bool PopupDimmed(int control) {
    int v = 0;
    GetCtrlAttribute(pPopup, control, ATTR_DIMMED, &v);
    return v != 0;
}

int PopupInt(int control) {
    int v = 0;
    GetCtrlVal(pPopup, control, &v);
    return v;
}

double PopupReal(int control) {
    double v = 0;
    GetCtrlVal(pPopup, control, &v);
    return v;
}

std::string Operable() {
    const struct {
        int control;
        char letter;
    } workflow[] = {{POPUP_CheckStep1, '1'},          {POPUP_CheckStep2, '2'},
                    {POPUP_ButtonAcceptObject1, 'a'}, {POPUP_ButtonAcceptObject2, 'b'},
                    {POPUP_ButtonDoFit, 'f'},         {POPUP_ButtonSaveCalValues, 's'}};
    std::string s;
    for (const auto &w : workflow)
        if (!PopupDimmed(w.control)) s += w.letter;
    return s;
}

std::string Ticked() {
    std::string s;
    if (PopupInt(POPUP_CheckStep1)) s += '1';
    if (PopupInt(POPUP_CheckStep2)) s += '2';
    return s;
}

void ResetCalibrationWindow() {
    for (int c : {POPUP_ButtonAcceptObject1, POPUP_ButtonAcceptObject2, POPUP_CheckStep1,
                  POPUP_CheckStep2, POPUP_ButtonDoFit, POPUP_ButtonSaveCalValues})
        SetCtrlAttribute(pPopup, c, ATTR_DIMMED, 1);
    SetCtrlVal(pPopup, POPUP_CheckStep1, 0);
    SetCtrlVal(pPopup, POPUP_CheckStep2, 0);
    SetCtrlVal(pPopup, POPUP_NUMSlope, 1.0);
    SetCtrlVal(pPopup, POPUP_NUMIntersect, 0.0);
    HidePanel(pPopup);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 0);
}

void Activate() {
    CC_ActivateCalibration(pPopup, 3, EVENT_COMMIT, nullptr, 0, 0);
}
void Discard() {
    CC_DiscardCalibration(pPopup, 4, EVENT_COMMIT, nullptr, 0, 0);
}
void Tick(int box, int ticked) {
    SetCtrlVal(pPopup, box, ticked);
    if (box == POPUP_CheckStep1)
        CC_CheckStep1(pPopup, box, EVENT_VAL_CHANGED, nullptr, 0, 0);
    else
        CC_CheckStep2(pPopup, box, EVENT_VAL_CHANGED, nullptr, 0, 0);
}
void Take(int object) {
    if (object == 1)
        CC_ButtonAcceptObject1(pPopup, POPUP_ButtonAcceptObject1, EVENT_COMMIT, nullptr, 0, 0);
    else
        CC_ButtonAcceptObject2(pPopup, POPUP_ButtonAcceptObject2, EVENT_COMMIT, nullptr, 0, 0);
}
void Fit() {
    CC_ButtonDoFit(pPopup, POPUP_ButtonDoFit, EVENT_COMMIT, nullptr, 0, 0);
}
void Save() {
    CC_ButtonSaveCalValues(pPopup, POPUP_ButtonSaveCalValues, EVENT_COMMIT, nullptr, 0, 0);
}
void Teach() {
    CC_ButtonTeach(pHandle, 7, EVENT_COMMIT, nullptr, 0, 0);
}
void ResetAnalog() {
    CC_ButtonReset(pHandle, PANEL_CTRLAnalogGroup, EVENT_COMMIT, nullptr, 0, 0);
}
