#include "uitest.h"

#include <QApplication>

static std::vector<Event> recorded;

static int RecordCtrl(int panel, int control, int event, void *, int, int) {
    recorded.push_back({panel, control, event});
    return 0;
}

static int RecordPanel(int panel, int event, void *, int, int) {
    recorded.push_back({panel, 0, event});
    return 0;
}

void RegisterRecorders() {
    static const char *const names[] = {"CC_DropDCom",
                                        "CC_RBTFile",
                                        "CC_RBTEeprom",
                                        "CC_RBTRam",
                                        "CC_NUMVideoThreshold",
                                        "CC_NEDITTolerance",
                                        "CC_DropHardwareMode",
                                        "CC_NEDITEdgeRight",
                                        "CC_NEDITEdgeLeft",
                                        "CC_TOGGBTN_ParaII",
                                        "CC_BTNRun",
                                        "CC_BTNStop",
                                        "CC_BTNVideo",
                                        "CC_BTNSend",
                                        "CC_BTNGet",
                                        "CC_ButtonTeach",
                                        "CC_ButtonReset",
                                        "CC_ActivateCalibration",
                                        "CC_DiscardCalibration",
                                        "CC_ButtonAcceptObject1",
                                        "CC_ButtonAcceptObject2",
                                        "CC_ButtonDoFit",
                                        "CC_ButtonSaveCalValues",
                                        "CC_CheckStep1",
                                        "CC_CheckStep2"};
    for (const char *n : names)
        RegisterCallback(n, RecordCtrl);
    RegisterPanelCallback("CC_PANEL", RecordPanel);
    RegisterPanelCallback("CC_POPUP", RecordPanel);
}

std::vector<Event> &Recorded() {
    return recorded;
}

std::vector<int> CodesOf(int control) {
    std::vector<int> codes;
    for (const Event &e : recorded)
        if (e.control == control) codes.push_back(e.event);
    return codes;
}

void PanelsTest::SetUp() {
    RegisterRecorders();
    main = LoadPanel(0, VTLX_UIR, PANEL);
    popup = LoadPanel(0, VTLX_UIR, POPUP);
    ASSERT_GT(main, 0);
    ASSERT_GT(popup, 0);
    recorded.clear();
}

void PanelsTest::TearDown() {
    DiscardPanel(main);
    DiscardPanel(popup);
    QApplication::processEvents();
}

#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"

QWidget *Widget(int panel, int control) {
    Panel *p = FindPanel(panel);
    return p ? p->control(control) : nullptr;
}
