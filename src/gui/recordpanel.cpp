// The recording and statistics controls of the main window.
#include "gui/recordpanel.h"

#include <cstdio>
#include <cstring>

#include "window/controls.h"
#include "window/lastfolder.h"
#include "settings/riror14.h"
#include "platform/widgets/buttontext.h"
#include "platform/ticker.h"
#include "platform/widgets/userint.h"
#include "gui/histogrampanel.h"
#include "recording/recorder.h"
#include "statistics/histogram.h"
#include "statistics/runstats.h"

static const double TICK = 0.2;                  // s between writes and redraws: 5 a second
static const char RECORD_TEXT[] = "&Record\x85"; // "Record…" in the program's 8-bit text
static const char STOP_TEXT[] = "Stop &recording";
static const char DIALOG_TITLE[] = "Record the run";

static long shownCount = -1; // statistics count on screen; -1 forces a redraw
static long shownRows = -1;  // recorded rows on screen; -1 forces a redraw
static int ticker = 0;       // the group's ticker

// The part of path after its last '/'.
static const char *BaseName(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

RunSnapshot TakeRunSnapshot(void) {
    RunSnapshot s;
    s.hasRun = RunStatisticsSummary(&s.summary);
    s.unit = ShownRunHistogram(&s.histogram);
    return s;
}

void ShowRunSnapshot(const RunSnapshot &s) {
    char text[160];
    FormatStatSeries(s.summary.value, text, sizeof text);
    SetCtrlVal(pHandle, PANEL_TEXTStatValue, text);
    FormatStatSeries(s.summary.um, text, sizeof text);
    SetCtrlVal(pHandle, PANEL_TEXTStatUm, text);
    FormatToleranceFigures(s.summary, text, sizeof text);
    SetCtrlVal(pHandle, PANEL_TEXTStatTolerance, text);
    DrawRunHistogram(s.histogram, s.unit);
    shownCount = s.summary.value.count;
}

static void ShowStatistics(void) {
    ShowRunSnapshot(TakeRunSnapshot());
}

void ShowRecordingState(void) {
    char text[1400];
    const char *name = BaseName(RecordingPath());
    if (RecordingActive())
        std::snprintf(text, sizeof text, "Recording %s: %ld rows", name, RecordingRows());
    else if (RecordingError()[0] && RecordingRows() < 0)
        std::snprintf(text, sizeof text, "Not recording: %s", RecordingError());
    else if (RecordingError()[0])
        std::snprintf(text, sizeof text, "Recording stopped: %s; %ld rows kept in %s",
                      RecordingError(), RecordingRows(), name);
    else if (name[0])
        std::snprintf(text, sizeof text, "Recorded %s: %ld rows", name, RecordingRows());
    else
        std::snprintf(text, sizeof text, "Not recording");
    SetCtrlVal(pHandle, PANEL_TEXTRecording, text);
    SetButtonText(pHandle, PANEL_BTNRecord, RecordingActive() ? STOP_TEXT : RECORD_TEXT);
    shownRows = RecordingRows();
    ShowStatistics();
}

// Five times a second: the buffered rows go to the file, and what changed
// goes on the screen. A failed write has ended the recording: say so.
static void Tick(void) {
    const int wasActive = RecordingActive();
    FlushRecording();
    if (wasActive != RecordingActive() || shownRows != RecordingRows()) {
        ShowRecordingState();
        return;
    }
    if (shownCount != RunStatisticsCount()) ShowStatistics();
}

void StartRecordingPanel(void) {
    if (!ticker) ticker = StartTicker(TICK, Tick);
    ShowRecordingState();
}

void TakeReplyForRecord(const RunReply &reply) {
    // The micrometre value counts only where the window shows it.
    int umShown = 0;
    GetCtrlAttribute(pHandle, PANEL_NUMUmValue, ATTR_VISIBLE, &umShown);
    AddRunReply(reply.Mvalue, reply.umValue, umShown, reply.tVal, reply.tTol);
    AddRunHistogramReply(reply.Mvalue, reply.umValue, umShown, reply.tVal, reply.tTol);
    RecordReply(reply, umShown);
}

void BeginRunStatistics(void) {
    ResetRunStatistics();
    ResetRunHistogram();
    shownCount = -1;
}

void SaveRecordedRows(void) {
    FlushRecording();
    ShowRecordingState();
}

void ResetRecordingToLoad(void) {
    ResetRecorder();
    BeginRunStatistics();
    shownRows = -1;
}

int CC_BTNRecord(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (RecordingActive()) {
        StopRecording();
        ShowRecordingState();
        return 0;
    }
    char name[64];
    DefaultRecordingName(name, sizeof name);
    // The dialog does not wait: a run goes on while the user picks the file.
    SelectFileInLastFolderThen(name, "*.csv", DIALOG_TITLE, VAL_SAVE_BUTTON, 1,
                               [](const char *path) {
                                   StartRecording(path);
                                   ShowRecordingState();
                               });
    return 0;
}

int CC_BTNStatReset(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    BeginRunStatistics();
    ShowStatistics();
    return 0;
}
