// The commissioning report: one self-contained HTML document (styles inline,
// pictures as PNG data inside it) that says which sensor this is, what it
// runs, how it is calibrated and how it measured, with a note of the user's.
//
// ComposeReport is a pure function of ReportData; GatherReport collects the
// data from the program; the callback asks for the note and the file, writes
// it whole or not at all, and offers to print it.
#pragma once

#include "com232/protocol.h"
#include "statistics/runstats.h"

#include "settings/riror14.h"

#include <string>
#include <vector>

struct ReportPicture {
    std::string title;              // caption, UTF-8
    std::vector<unsigned char> png; // PNG bytes; empty: not available
};

struct ReportData {
    std::string date;                    // local date and time
    std::string port;                    // "COM1"
    std::string device;                  // the port's device, "/dev/ttyUSB0"
    std::string sensor;                  // identity text, UTF-8
    std::string firmware;                // firmware text, UTF-8
    u16 identity[IDENTITY_WORD_COUNT]{}; // by HardwareWord, as IDENTITY_WORDS gives them
    int hasRam = 0, hasEeprom = 0;       // 1 when the set was read
    u16 ram[PNUM]{}, eeprom[PNUM]{};
    std::string ramWhy, eepromWhy; // why a set was not read, in words
    u16 window[PNUM]{};            // the window's set, as the window shows it

    u16 slope = 0, intersect = 0; // the calibration words in force (RAM, else the window)
    double slopeFactor = 0.0;     // slope / its scale
    double offset = 0.0;          // intersect - YOFFSET
    int calibrated = 0;           // 1 when a fit was made this session
    double pixel[2]{}, umeter[2]{}, fitSlope = 0.0, fitIntercept = 0.0, mse = 0.0;
    bool hasRun = false; // a run with at least one reply since the statistics' reset
    RunSummary run;      // its statistics
    std::string note;    // the user's note, UTF-8
    std::vector<ReportPicture> pictures;
};

// The document, well-formed XML as well as HTML. Every text is escaped;
// every picture is an <img> with a
// data:image/png;base64 source.
std::string ComposeReport(const ReportData &data);

// A text as HTML text.
std::string HtmlEscape(const std::string &text);

// The report's data as the program holds it now. With fetch 1 the RAM and
// EEPROM sets are read from the sensor: while a run or video loop goes on,
// between two of its replies (the loop asks afresh after them). A set that
// cannot be read says why in words (the port, a reply that did not come or
// was not the set, the line busy with another command). With fetch 0 the
// compare window's sets are taken where it holds them. The statistics and
// the histogram picture are one snapshot of the run, which the window's
// statistics group then shows as well.
ReportData GatherReport(int fetch);

// "Report…" (commit): the note dialog, the save dialog, the file written
// whole (the status line says when it could not be), then the print dialog.
int CC_BTNReport(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2);

// Forgets the note kept from a report that was not written.
void ResetReportToLoad(void);

// Status texts.
inline constexpr char REPORT_WRITTEN[] = "Report written.";
inline constexpr char REPORT_WRITE_ERROR[] = "Error writing report!";
