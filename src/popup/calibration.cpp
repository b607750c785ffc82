// The calibration window's callbacks: activation, the two reference objects,
// the fit, saving the words into the sensor, and stop.
#include "popup/calibration.h"

#include "analysis/linfit.h"
#include "com232/com232.h"
#include "gui/panelio.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"

#include <cmath>

static constexpr u16 SUB_STOP = 0;     // leave the calibration mode
static constexpr u16 SUB_ACTIVATE = 1; // enter the calibration mode
static constexpr u16 SUB_WRITE = 2;    // words 1 and 2 into slope and intersect in RAM
static constexpr int EVALMODE_CAL = 2; // evaluation mode shown while calibrating: the width

static int modeSaved = 0; // 1 while oldMode holds the mode of an activated calibration

void ResetCalibrationToLoad(void) {
    modeSaved = 0;
}

// The workflow controls: dimmed at the start and at the end of every calibration.
static const int workflowControls[] = {POPUP_ButtonAcceptObject1, POPUP_ButtonAcceptObject2,
                                       POPUP_CheckStep1,          POPUP_CheckStep2,
                                       POPUP_ButtonDoFit,         POPUP_ButtonSaveCalValues};

static void Dim(int control, int dimmed) {
    SetCtrlAttribute(pPopup, control, ATTR_DIMMED, dimmed);
}

static void ShowStatus(void) {
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
}

// Back to the state the window starts in: nothing to operate, nothing ticked.
static void CloseWorkflow(void) {
    for (int control : workflowControls)
        Dim(control, 1);
    SetCtrlVal(pPopup, POPUP_CheckStep1, 0);
    SetCtrlVal(pPopup, POPUP_CheckStep2, 0);
}

// The sensor's words as real numbers: slope / m and intersect - YOFFSET.
// Both pass through single precision, as the window holds them.
static void ShowCalWords(void) {
    const float factor = static_cast<float>(static_cast<double>(slope) / SlopeScale());
    const float offset = static_cast<float>(static_cast<int>(intersect) - YOFFSET);
    SetCtrlVal(pPopup, POPUP_NUMSlope, static_cast<double>(factor));
    SetCtrlVal(pPopup, POPUP_NUMIntersect, static_cast<double>(offset));
}

// Words 0 and 1 of a calibration reply are the sensor's slope and offset words.
static void TakeSensorWords(void) {
    slope = pp[CAL_SLOPE];
    intersect = pp[CAL_INTERSECT];
}

// Sends one calibration command and waits for its reply; 1 when it came (its
// words are in pp), 0 on time-out (the time-out text is in szStatus). Words
// the command does not set go out as pp holds them.
static int CalCommand(u16 sub, int withWords, u16 word1, u16 word2) {
    pp[CAL_SUBCOMMAND] = sub;
    if (withWords) {
        pp[CAL_SUBCOMMAND + 1] = word1;
        pp[CAL_SUBCOMMAND + 2] = word2;
    }
    SendCommand(CODE_CALIBRATE, 0);
    return WaitReplyTo(CODE_CALIBRATE, TIMEOUT_TEXT);
}

// A line without calibration words: nothing is sent, and the user takes the
// objects again (one retaken object reopens the fit, the other still counts).
static void RefuseFit(void) {
    SetStatus(CAL_RANGE_TEXT);
    ShowStatus();
    Dim(POPUP_ButtonSaveCalValues, 1);
    Dim(POPUP_ButtonDoFit, 1);
    Dim(POPUP_CheckStep1, 0);
    Dim(POPUP_CheckStep2, 0);
}

int FitToWords(double factor, double offset, u16 *slopeWord, u16 *offsetWord) {
    if (!std::isfinite(factor) || !std::isfinite(offset)) return 0;
    const double scaled = factor * SlopeScale();
    const double shifted = offset + YOFFSET;
    if (factor < 0.0 || scaled >= 65536.0) return 0;
    if (shifted < 0.0 || shifted >= 65536.0) return 0;
    *slopeWord = TruncToWord(scaled);
    *offsetWord = TruncToWord(shifted);
    return 1;
}

void ShowReplyInCalibration(const RunReply &reply) {
    // The calibration window shows the reading of the step that is ticked.
    int ticked = 0;
    GetCtrlVal(pPopup, POPUP_CheckStep1, &ticked);
    if (ticked == 1) SetCtrlVal(pPopup, POPUP_NUMPixelObject1, static_cast<int>(reply.Mvalue));
    ticked = 0;
    GetCtrlVal(pPopup, POPUP_CheckStep2, &ticked);
    if (ticked == 1) SetCtrlVal(pPopup, POPUP_NUMPixelObject2, static_cast<int>(reply.Mvalue));
}

int CC_ActivateCalibration(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    if (!CalCommand(SUB_ACTIVATE, 0, 0, 0)) {
        ShowStatus();
        return 0;
    }
    TakeSensorWords();
    calstep = 0;
    SetStatus("Calibration activated!");
    ShowStatus();
    ShowCalWords();
    oldMode = eMode;
    modeSaved = 1;
    SetCtrlVal(pHandle, PANEL_DropEvalMode, EVALMODE_CAL);
    ProcessSystemEvents();
    Dim(POPUP_CheckStep1, 0);
    Dim(POPUP_CheckStep2, 0);
    // The objects are measured live; a running run or video loop already does that.
    if (stop_flag == 1) PushRUN();
    return 0;
}

int CC_DiscardCalibration(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    // Before the send: a running loop ends as soon as we return into it.
    stop_flag = 1;
    if (CalCommand(SUB_STOP, 0, 0, 0)) {
        TakeSensorWords();
        SetStatus("Calibration stopped successfully!");
        ShowStatus();
        ShowCalWords();
        // Without an activation oldMode holds no mode of the user's: eMode stays.
        if (modeSaved) {
            eMode = oldMode;
            SetCtrlVal(pHandle, PANEL_DropEvalMode, static_cast<int>(eMode));
        }
        modeSaved = 0;
        ProcessSystemEvents();
    } else {
        ShowStatus();
    }
    CloseWorkflow();
    flagstep1 = 0;
    flagstep2 = 0;
    HidePanel(pPopup);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_ParaII, 0);
    return 0;
}

// Ticking one step box unticks the other and opens only its own accept button.
static void SelectStep(int box, int otherBox, int accept, int otherAccept) {
    int ticked = 0; // state of the box just changed
    GetCtrlVal(pPopup, box, &ticked);
    if (ticked) {
        SetCtrlVal(pPopup, otherBox, 0);
        Dim(accept, 0);
        Dim(otherAccept, 1);
    } else {
        Dim(accept, 1);
        Dim(otherAccept, 1);
    }
}

int CC_CheckStep1(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    SelectStep(POPUP_CheckStep1, POPUP_CheckStep2, POPUP_ButtonAcceptObject1,
               POPUP_ButtonAcceptObject2);
    return 0;
}

int CC_CheckStep2(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    SelectStep(POPUP_CheckStep2, POPUP_CheckStep1, POPUP_ButtonAcceptObject2,
               POPUP_ButtonAcceptObject1);
    return 0;
}

// Object i (0 or 1): the measured value of this moment, not the number the
// pixel field shows, and the size entered for it.
static void TakeObject(int i, int sizeField, int box, int accept) {
    calstep = static_cast<u16>(i + 1);
    if (i == 0)
        flagstep1 = 1;
    else
        flagstep2 = 1;
    u16 size = 0; // known size of the object, micrometres
    GetCtrlVal(pPopup, sizeField, &size);
    pixel[i] = Mvalue;
    umeter[i] = size;
    if (flagstep1 == 1 && flagstep2 == 1) Dim(POPUP_ButtonDoFit, 0);
    Dim(box, 1);
    Dim(accept, 1);
    SetCtrlVal(pPopup, box, 0);
}

int CC_ButtonAcceptObject1(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    TakeObject(0, POPUP_NUMUmObject1, POPUP_CheckStep1, POPUP_ButtonAcceptObject1);
    return 0;
}

int CC_ButtonAcceptObject2(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    TakeObject(1, POPUP_NUMUmObject2, POPUP_CheckStep2, POPUP_ButtonAcceptObject2);
    return 0;
}

int CC_ButtonDoFit(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    // With two points the fit cannot fail; two equal measured values give a
    // line that is not finite, which FitToWords refuses.
    LinFit(pixel, umeter, 2, zarray, &slopeval, &interval, &mse);
    if (std::isfinite(slopeval) && std::isfinite(interval)) {
        SetCtrlVal(pPopup, POPUP_NUMFitSlope, slopeval);
        SetCtrlVal(pPopup, POPUP_NUMFitIntercept, interval);
    }
    u16 s = 0, o = 0; // the words the line would give
    if (!FitToWords(slopeval, interval, &s, &o)) {
        RefuseFit();
        return 0;
    }
    Dim(POPUP_ButtonSaveCalValues, 0);
    Dim(POPUP_ButtonDoFit, 1);
    return 0;
}

int CC_ButtonSaveCalValues(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (LineBusy()) return 0;
    u16 s = 0, o = 0; // the fitted line's words
    if (!FitToWords(slopeval, interval, &s, &o)) {
        RefuseFit();
        return 0;
    }
    slope = s;
    intersect = o;
    if (CalCommand(SUB_WRITE, 1, slope, intersect)) {
        TakeSensorWords();
        calstep = 0;
        SetStatus("New Calibration values in activated in RAM!");
        ShowStatus();
        ShowCalWords();
        // The selector shows the mode restored, as after Stop: showing the
        // calibration mode instead would let the next Send write it into
        // the sensor, since Send takes the mode from the window.
        eMode = oldMode;
        SetCtrlVal(pHandle, PANEL_DropEvalMode, static_cast<int>(eMode));
        CloseWorkflow();
        flagstep1 = 0;
        flagstep2 = 0;
    } else {
        // The new words stay in slope and intersect, unshown.
        ShowStatus();
    }
    Dim(POPUP_ButtonSaveCalValues, 1);
    ProcessSystemEvents();
    return 0;
}
