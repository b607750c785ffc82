// Control numbers of the two panels of "VORTELIX-Riror14.uir". The resource
// file gives every control below this number; the program addresses controls
// only through these names. Numbers not listed are never used by the program.
// The command buttons it reaches only through their callbacks are listed all
// the same, so that a number is known by one name wherever it is used.
#pragma once

// Resource panel numbers.
enum {
    PANEL = 1, // the main window
    POPUP = 2, // the calibration window
};

// Main panel (handle pHandle).
enum {
    PANEL_DropDCom = 2,           // serial port selector, int, read into com
    PANEL_CTRLPostLoop = 3,       // made operable when a loop ends
    PANEL_DropAnaMode = 4,        // analog-output mode anaMode
    PANEL_BTNStop = 5,            // stops the run and video loops (by its callback)
    PANEL_BTNSend = 6,            // sends the settings to the send target (by its callback)
    PANEL_ButtonTeach = 7,        // teaches the set-point (by its callback)
    PANEL_RBTFile = 12,           // send target DATFILE
    PANEL_RBTEeprom = 13,         // send target EEPROM
    PANEL_CTRLAnalogGroup = 14,   // dimmed together with 4, 33 and 34
    PANEL_NUMVideoThreshold = 15, // video threshold vThd
    PANEL_NUMPower = 16,          // power, or dynpower while a loop runs and powMode != 0
    PANEL_NEDITTolerance = 17,    // tolerance tTol
    PANEL_NEDITSetpoint = 18,     // set-point tVal
    PANEL_RBTRam = 19,            // send target RAM
    PANEL_CTRLLoopLock1 = 20,     // dimmed while a loop runs
    PANEL_CTRLLoopLock2 = 22,     // dimmed while a loop runs
    PANEL_DropHardwareMode = 23,  // hardware mode eHardware
    PANEL_DropTolMode = 24,       // tolerance mode tolMode
    PANEL_DropPowMode = 25,       // power mode powMode
    PANEL_DropPolarity = 26,      // polarity
    PANEL_NUMAverage = 27,        // averaging average
    PANEL_DropEvalMode = 28,      // evaluation mode eMode
    PANEL_NUMMvalue2 = 30,        // measured value Mvalue (indicator)
    PANEL_NUMUmValue = 31,        // measured value in micrometres umValue (indicator)
    PANEL_NUMMvalue = 32,         // measured value Mvalue (indicator)
    PANEL_NUMAnaMin = 33,         // analog-output minimum anaMin (indicator)
    PANEL_NUMAnaMax = 34,         // analog-output maximum anaMax (indicator)
    PANEL_NUMTolerance = 35,      // copy of the tolerance tTol (indicator)
    PANEL_NUMLedge = 36,          // left edge Ledge (indicator)
    PANEL_NUMRedge = 37,          // right edge Redge (indicator)
    PANEL_DECOLogo = 44,          // header band
    PANEL_NEDITEdgeRight = 45,    // right border of the evaluation window eEnd
    PANEL_NEDITEdgeLeft = 46,     // left border of the evaluation window eBeg
    PANEL_TEXTStatus = 47,        // the status line
    PANEL_GRAPHVideo = 48,        // video curve and threshold line
    PANEL_GRAPHBar = 49,          // bar graph of the CCD line
    PANEL_PICTLogo = 50,          // logo picture of the header
    PANEL_SWITCHZoom = 51,        // strip chart: 0 full range, else zoomed
    PANEL_TOGGBTN_ParaII = 53,    // shows and hides the calibration window
    PANEL_CHARTRaw = 54,          // strip chart of the raw values, 5 traces
    PANEL_SWITCHOpMode = 55,      // operating mode opMode
    PANEL_BTNCompare = 56,        // opens the compare window (paramsets)
    PANEL_BTNReport = 57,         // writes the commissioning report (report)
    // Recording and statistics (gui/recordpanel).
    PANEL_BTNRecord = 60,         // Record... / Stop recording
    PANEL_TEXTRecording = 61,     // the recording's state, beside the status line
    PANEL_TEXTStatValue = 62,     // statistics of the measured value
    PANEL_TEXTStatUm = 63,        // statistics of the micrometre value
    PANEL_TEXTStatTolerance = 64, // out of tolerance, Cp, Cpk
    PANEL_BTNStatReset = 65,      // resets the statistics
    PANEL_GRAPHHistogram = 66,    // histogram of the run (gui/histogrampanel)
    PANEL_BTNOpenRecording = 67,  // opens a recording for review (review)
    PANEL_TEXTWindowBorders = 70, // says when Window left is right of Window right
};

// Calibration window (handle pPopup).
enum {
    POPUP_TEXTBOXSensor = 2,        // description of the identified sensor, 2 lines
    POPUP_ActivateCalibration = 3,  // starts the calibration (by its callback)
    POPUP_DiscardCalibration = 4,   // ends the calibration, hides the window (by its callback)
    POPUP_NUMFitIntercept = 7,      // intercept of the fit, interval
    POPUP_NUMFitSlope = 8,          // slope of the fit, slopeval
    POPUP_ButtonAcceptObject2 = 9,  // accepts reference object 2
    POPUP_ButtonSaveCalValues = 12, // writes slope and offset into the sensor
    POPUP_ButtonAcceptObject1 = 13, // accepts reference object 1
    POPUP_NUMPixelObject2 = 14,     // Mvalue while CheckStep2 is ticked
    POPUP_NUMUmObject2 = 15,        // known size of object 2, micrometres
    POPUP_ButtonDoFit = 16,         // runs the straight-line fit
    POPUP_NUMPixelObject1 = 17,     // Mvalue while CheckStep1 is ticked
    POPUP_NUMUmObject1 = 18,        // known size of object 1, micrometres
    POPUP_NUMIntersect = 19,        // calibration offset, intersect - YOFFSET
    POPUP_NUMSlope = 20,            // calibration slope, slope / SLOPEMULTI (or SLOPEMULTI_512)
    POPUP_CheckStep2 = 31,          // calibration step 2 ticked
    POPUP_CheckStep1 = 32,          // calibration step 1 ticked
};
