// Gathering the commissioning report and writing it.
#include "com232/com232.h"
#include "com232/identify.h"
#include "window/controls.h"
#include "window/lastfolder.h"
#include "paramsets/compare.h"
#include "paramsets/namedset.h"
#include "platform/rs232.h"
#include "platform/savefile.h"
#include "platform/widgets/userint.h"
#include "platform/widgets/graphpicture.h"
#include "platform/widgets/htmldoc.h"
#include "platform/widgets/notedialog.h"
#include "gui/recordpanel.h"
#include "report/report.h"

#include <cstring>
#include <string>

static const char REPORT_DEFAULT[] = "VTLXreport.html";
static const char REPORT_FILTER[] = "*.html";
static const char REPORT_TITLE[] = "Commissioning report";

static void WriteReport(const std::string &note, const char *path);

// The note of a report not yet written: a cancelled save dialog or a failed
// write keeps it for the next Report…, for this run of the program only.
static std::string keptNote;

void ResetReportToLoad(void) {
    keptNote.clear();
}

// The three graphs of the main window, at the size of an A4 page's width.
static constexpr int PICTURE_WIDTH = 900;
static constexpr int PICTURE_HEIGHT = 300;
static const struct {
    int control;
    const char *title;
} GRAPHS[] = {
    {PANEL_GRAPHVideo, "Video signal"},
    {PANEL_GRAPHBar, "CCD line"},
    {PANEL_CHARTRaw, "Raw values"},
    {PANEL_GRAPHHistogram, "Histogram of the run"},
};

// Why a set is not in the report, besides the fetch's own reasons.
static const char NOT_FETCHED[] = "not asked from the sensor";
static const char LINE_BUSY[] = "the line was busy with another command";

// Reads set s from the sensor when fetch is 1, else takes what the compare
// window holds. A report is made from a dialog's callback, inside whatever
// pumps events: a running loop's wait for its reply too. Its request then
// waits until that reply is in (SendFrame) and the loop asks afresh after it,
// as for a teach; only a command that waits for its own reply keeps it out.
// 1 when the set is known; else *why says why it is not.
static int KnownSet(int s, int fetch, u16 words[PNUM], std::string *why) {
    if (!fetch) {
        if (compareSets[s].present) {
            std::memcpy(words, compareSets[s].words, sizeof compareSets[s].words);
            return 1;
        }
        *why = NOT_FETCHED;
        return 0;
    }
    if (LineBusy()) {
        *why = LINE_BUSY;
        return 0;
    }
    const char *reason = nullptr;
    if (FetchSet(s == SET_RAM ? RAM : EEPROM, words, &reason)) return 1;
    *why = reason ? reason : NO_REPLY_TEXT;
    return 0;
}

ReportData GatherReport(int fetch) {
    ReportData d;
    const SetIdentity id = CurrentIdentity();
    d.date = id.date;
    d.sensor = id.sensor;
    d.firmware = id.firmware;
    d.port = "COM" + std::to_string(com);
    char device[256] = "";
    if (ComPortDevice(com, device, sizeof device) > 0) d.device = device;
    for (const IdentityWordDef &w : IDENTITY_WORDS)
        d.identity[w.word] = *w.value;

    d.hasRam = KnownSet(SET_RAM, fetch, d.ram, &d.ramWhy);
    d.hasEeprom = KnownSet(SET_EEPROM, fetch, d.eeprom, &d.eepromWhy);
    // Read after the fetches, whose waits let the window change.
    ReadWindowSet(d.window);
    // The calibration in force is RAM's; without it, the window's.
    const u16 *words = d.hasRam ? d.ram : d.window;
    d.slope = words[PW_SLOPE];
    d.intersect = words[PW_INTERSECT];
    d.slopeFactor = double(d.slope) / SlopeScale();
    d.offset = double(int(d.intersect) - YOFFSET);
    // slopeval and interval are 0 from the start until a fit is made.
    d.calibrated = slopeval != 0.0 || interval != 0.0;
    for (int k = 0; k < 2; k++) {
        d.pixel[k] = pixel[k];
        d.umeter[k] = umeter[k];
    }
    d.fitSlope = slopeval;
    d.fitIntercept = interval;
    d.mse = mse;

    // Nothing below pumps events: the snapshot is the run as pictured.
    const RunSnapshot run = TakeRunSnapshot();
    d.hasRun = run.hasRun;
    d.run = run.summary;
    ShowRunSnapshot(run); // the histogram control is pictured below

    for (const auto &g : GRAPHS) {
        ReportPicture p;
        p.title = g.title;
        if (GraphPictureData(pHandle, g.control, PICTURE_WIDTH, PICTURE_HEIGHT, &p.png) < 0)
            p.png.clear();
        d.pictures.push_back(std::move(p));
    }
    return d;
}

// The dialogs do not wait for their answers: a running loop goes on while
// the user types the note and picks the file. A cancel anywhere ends it with
// nothing written and nothing said; a note typed is kept until a report
// carrying it is written.
int CC_BTNReport(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    NoteDialogThen(REPORT_TITLE, "A note for the report (site, machine, who set it up):", keptNote,
                   [](const std::string &note) {
                       keptNote = note;
                       SelectFileInLastFolderThen(
                           REPORT_DEFAULT, REPORT_FILTER, REPORT_TITLE, VAL_SAVE_BUTTON, 1,
                           [note](const char *path) { WriteReport(note, path); });
                   });
    return 0;
}

static void WriteReport(const std::string &note, const char *path) {
    ReportData data = GatherReport(1);
    data.note = note;
    const std::string html = ComposeReport(data);
    std::string error;
    if (SaveFileWhole(path, html, &error) != 0) {
        SetCtrlVal(pHandle, PANEL_TEXTStatus, REPORT_WRITE_ERROR);
        MessagePopup(REPORT_TITLE,
                     (std::string("The report was not written:\n") + path + "\n" + error).c_str());
        return;
    }
    SetCtrlVal(pHandle, PANEL_TEXTStatus, REPORT_WRITTEN);
    keptNote.clear();
    ConfirmDialogThen(REPORT_TITLE, "The report is written. Print it now (a PDF file too)?",
                      [html] { PrintHtmlDocument(html, REPORT_TITLE); });
}
