// VORTELIX-Riror 1.4, settings model: the program's settings and state. The
// ground floor of the application: the link, every window module and a
// program without a window include it; it includes none of them and knows of
// no window. Start-up and the main window's callbacks are in main/.
//
// Every 16-bit value is unsigned. All of it is touched from the one
// user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>

typedef std::uint16_t u16;

// Fixed values.
inline constexpr int PNUM = 16;            // 16-bit words in pp and in a frame's payload
inline constexpr int RAM = 1;              // target: the sensor's working memory
inline constexpr int EEPROM = 2;           // target: the sensor's non-volatile memory
inline constexpr int DATFILE = 3;          // target: a parameter file on the PC
inline constexpr int SLOPEMULTI = 1024;    // scale of slope: factor 1.0 is stored as 1024
inline constexpr int SLOPEMULTI_512 = 512; // scale of slope for CCD type 104
inline constexpr int YOFFSET = 30000;      // offset of intersect: 0 is stored as 30000
inline constexpr double TIMEOUT = 1.5;     // reply time-out, s
inline constexpr int eventMask = 0x8006;   // mask of the receive callback

// Sensor settings: the sixteen words of pp, in pp order. Written by InitVars,
// GetPanelValues and CopyPPtoVars; tVal and tTol also by the run loop.
extern u16 power;     // word 0: power setting
extern u16 tolMode;   // word 1: tolerance mode
extern u16 vThd;      // word 2: video threshold, level of thdArray
extern u16 anaMode;   // word 3: analog-output mode
extern u16 polarity;  // word 4: output polarity
extern u16 eMode;     // word 5: evaluation mode
extern u16 eBeg;      // word 6: left border of the evaluation window
extern u16 eEnd;      // word 7: right border of the evaluation window
extern u16 tVal;      // word 8: set-point
extern u16 tTol;      // word 9: tolerance around the set-point
extern u16 opMode;    // word 10: operating-mode switch
extern u16 eHardware; // word 11: hardware (output) mode
extern u16 slope;     // word 12: calibration slope x SLOPEMULTI (or SLOPEMULTI_512)
extern u16 intersect; // word 13: calibration offset + YOFFSET
extern u16 average;   // word 14: averaging
extern u16 powMode;   // word 15: power mode; not 0 shows dynpower in NUMPower

// Measurement results: words of the run reply, written by the run and video loops.
extern u16 Ledge;    // position of the left edge, sub-pixels
extern u16 Redge;    // position of the right edge, sub-pixels
extern u16 Mvalue;   // measured value; taken over by the calibration
extern int umValue;  // measured value in micrometres (word 4 high, word 3 low)
extern u16 edcnt;    // number of edges found
extern u16 mvstart;  // first position compared by the bar graph
extern u16 mvend;    // second position compared by the bar graph
extern u16 dynpower; // power reported by the sensor
extern u16 anaMax;   // analog-output maximum since the last reset
extern u16 anaMin;   // analog-output minimum since the last reset
extern u16 in0;      // run-reply word 13, kept, not shown

// Sensor identity and CCD geometry, written by the hardware-information reply.
extern u16 ccdtype;         // CCD type code
extern u16 ccdmaxpixel;     // CCD pixels; 256 when the count is not a known one
extern u16 ccdresolution;   // resolution code: variant of CCD types 1 and 2
extern u16 pcbtype;         // electronics type: 0, 100 and 400 change behaviour
extern u16 ccdmaxpixelX8;   // pixel count in sub-pixel units: strip chart range
extern u16 ccdsubpixel;     // upper end of the video and bar graph x axes, sub-pixels
extern u16 ccdpixB;         // first pixel as reported; kept, not used
extern u16 ccdpixE;         // last pixel as reported; upper end of the bar graph x axis
extern u16 softversion;     // firmware version word; 220 selects the smaller video y range
extern u16 pixB;            // lowest position allowed for eBeg and eEnd
extern u16 pixELimit;       // pixE in pixels, before any scaling to sub-pixels
extern u16 pixE;            // highest position allowed for eBeg and eEnd
extern u16 YAXISMAX;        // upper end of the video curve's y axis: 1024 or 256
extern double xArray[256];  // x of the 256 video points, pixels
extern double xArray8[256]; // x of the 256 video points, sub-pixels

// Display buffers.
extern u16 adcbuf[256];       // video signal read in data blocks
extern u16 thdArray[256];     // threshold line; every element equals vThd
extern double arrayNORM[500]; // strip-chart buffer, five traces of 100 points

// Calibration.
extern double pixel[2];  // measured values of the two reference objects
extern double umeter[2]; // known sizes of the two objects, micrometres
extern double zarray[2]; // fitted values returned by the straight-line fit
extern double slopeval;  // slope of the last fit
extern double interval;  // intercept of the last fit
extern double mse;       // mean squared error of the last fit
extern u16 calstep;      // calibration step
extern u16 flagstep1;    // object 1 accepted
extern u16 flagstep2;    // object 2 accepted
extern u16 oldMode;      // eMode saved while a calibration runs

// Windows and texts.
extern int pHandle;            // handle of the main panel PANEL
extern int pPopup;             // handle of the calibration popup POPUP
extern char szStatus[72];      // status line text, at most 71 characters
extern char szVersion[72];     // firmware text read from the sensor
extern char szFirmware[72];    // firmware text of every electronics type (report, named sets)
extern char szSoftVersion[72]; // version text of this program
extern char szSoftName[72];    // name text of this program
extern char proj_dir[260];     // program folder; start folder of the file dialogs
extern char file_name[260];    // parameter file last chosen

// Copies text into szStatus, cut to 71 characters.
void SetStatus(const char *text);

// Copies src into dst (size bytes), cut and terminated.
void CopyText(char *dst, const char *src, std::size_t size);

// The defaults of this module's variables, the first step of InitVars.
void AssignSettingsDefaults(void);

// Puts every variable of this module back to its value at load.
void ResetSettingsToLoad(void);
