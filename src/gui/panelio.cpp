// Panel transfer between the controls and the settings.
#include "gui/panelio.h"

#include "com232/com232.h"
#include "gui/plots.h"
#include "window/controls.h"
#include "platform/widgets/userint.h"

#include <cmath>

static constexpr int COLOR_GREY = 0xA0A0A0; // bar graph: the whole CCD line

u16 TruncToWord(double value) {
    // A cast of a non-finite or out-of-range double to an integer is undefined,
    // so the wrap to 16 bits is done in double: fmod is exact and keeps the
    // sign of the truncated value, and what is left lies in [0, 65536).
    if (!std::isfinite(value)) return 0;
    double word = std::fmod(std::trunc(value), 65536.0);
    if (word < 0.0) word += 65536.0;
    return static_cast<u16>(static_cast<unsigned>(word));
}

// The main panel's control of each parameter word, in pp order; 0 for slope
// and offset, which the calibration window shows as real numbers.
static const int WORD_CONTROLS[PNUM] = {
    PANEL_NUMPower,
    PANEL_DropTolMode,
    PANEL_NUMVideoThreshold,
    PANEL_DropAnaMode,
    PANEL_DropPolarity,
    PANEL_DropEvalMode,
    PANEL_NEDITEdgeLeft,
    PANEL_NEDITEdgeRight,
    PANEL_NEDITSetpoint,
    PANEL_NEDITTolerance,
    PANEL_SWITCHOpMode,
    PANEL_DropHardwareMode,
    0,
    0,
    PANEL_NUMAverage,
    PANEL_DropPowMode,
};

int GetPanelValues(void) {
    for (int i = 0; i < PNUM; i++)
        if (WORD_CONTROLS[i]) GetCtrlVal(pHandle, WORD_CONTROLS[i], PARAM_WORDS[i].value);

    float s = 0.0f; // calibration slope as shown
    float o = 0.0f; // calibration offset as shown
    GetCtrlVal(pPopup, POPUP_NUMSlope, &s);
    GetCtrlVal(pPopup, POPUP_NUMIntersect, &o);
    slope = TruncToWord(static_cast<double>(s) * SlopeScale());
    intersect = TruncToWord(static_cast<double>(o) + YOFFSET);
    return 0;
}

// Settings out of range (from the sensor or a file) fall back to a fixed
// value or are clamped to their bound before they are shown.
static void CheckRanges(void) {
    if (power > 1000) power = 500;
    if (tolMode > 6) tolMode = 0;
    if (vThd > 950) vThd = 950;
    if (vThd < 50) vThd = 50;
    if (anaMode > 5) anaMode = 0;
    if (polarity > 1) polarity = 1;
    if (eMode > 4) eMode = 4;
    if (tTol > ccdmaxpixelX8) tTol = ccdmaxpixelX8;
    if (tTol == 0) tTol = 1;
    if (powMode > 2) powMode = 0;
    // The borders are bounded by the sensor's line; before a sensor is
    // identified (ccdsubpixel 0) there is no bound, and they stay as they are.
    if (ccdsubpixel > 0 && eBeg > ccdsubpixel) eBeg = 1;
    if (ccdsubpixel > 0 && eEnd > ccdsubpixel) eEnd = ccdsubpixel;
    if (eEnd == 0) eEnd = 1;
    if (eHardware > 3) eHardware = 3;
    if (average > 1024) average = 1024;
    if (slope == 65535) slope = static_cast<u16>(SLOPEMULTI);
    if (intersect > 60000) intersect = static_cast<u16>(YOFFSET);
}

void SetPanelValues(void) {
    CheckRanges();

    float s = static_cast<float>(static_cast<double>(slope) / SlopeScale());
    float o = static_cast<float>(static_cast<int>(intersect) - YOFFSET);

    int dim = (eHardware == 1 || eHardware == 3) ? 1 : 0;
    SetCtrlAttribute(pHandle, PANEL_NEDITTolerance, ATTR_DIMMED, dim);
    SetCtrlAttribute(pHandle, PANEL_DropTolMode, ATTR_DIMMED, dim);

    for (int i = 0; i < PNUM; i++)
        if (WORD_CONTROLS[i])
            SetCtrlVal(pHandle, WORD_CONTROLS[i], static_cast<int>(*PARAM_WORDS[i].value));
    SetCtrlVal(pHandle, PANEL_NUMTolerance, static_cast<int>(tTol)); // the tolerance shown twice
    SetCtrlVal(pPopup, POPUP_NUMSlope, static_cast<double>(s));
    SetCtrlVal(pPopup, POPUP_NUMIntersect, static_cast<double>(o));

    for (int i = 0; i < 256; i++)
        thdArray[i] = vThd;

    // The same axis as the bar graph's redraw: positions in sub-pixels.
    if (ccdsubpixel > 1)
        SetAxisScalingMode(pHandle, PANEL_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    PlotVIDEOCurve(adcbuf, xArray8);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 2, eBeg, 0.75);
    SetGraphCursor(pHandle, PANEL_GRAPHBar, 3, eEnd, 0.75);
    PlotRectangle(pHandle, PANEL_GRAPHBar, 0.0, 0.0, ccdmaxpixelX8, 1.0, COLOR_GREY, COLOR_GREY);
    PlotRectangle(pHandle, PANEL_GRAPHBar, static_cast<int>(tVal) - static_cast<int>(tTol), 0.0,
                  static_cast<int>(tVal) + static_cast<int>(tTol), 0.25, COLOR_BAR_TOL,
                  COLOR_BAR_TOL);
}
