// The "Recording and statistics" group of the main window: the Record button,
// the recording's state beside the status line, the run's statistics and
// their Reset button; and the one call each loop makes per measurement reply.
#pragma once

#include "com232/measure.h"
#include "statistics/histogram.h"
#include "statistics/runstats.h"

// Control callbacks of the group. Record (on commit): asks for a file
// (default "VTLXrun-YYYYMMDD-HHMMSS.csv" in the folder used last this session)
// and starts recording, or stops the recording that runs. Reset statistics
// (on commit): forgets the run's figures. Both return 0.
int CC_BTNRecord(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2);
int CC_BTNStatReset(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2);

// Starts the group's ticker (rows written and figures shown five times a
// second) and shows its initial state. Called once the main panel is loaded.
void StartRecordingPanel(void);

// A reader of measurements: hands the reply to the statistics and, while
// recording, to the recorder.
void TakeReplyForRecord(const RunReply &reply);

// A new run starts: the statistics begin afresh.
void BeginRunStatistics(void);

// Writes the recorded rows out (port change, program end). The recording
// goes on, and ends with the program.
void SaveRecordedRows(void);

// Shows the recording state and the figures now.
void ShowRecordingState(void);

// The run's statistics and its histogram at one moment: the figures and the
// bars count the same replies, and the shares out of tolerance agree.
struct RunSnapshot {
    bool hasRun = false;        // a reply was taken since the statistics' reset
    RunSummary summary;         // the figures
    HistogramFigures histogram; // as the window shows it (ShownRunHistogram)
    const char *unit = "";      // the histogram's axis title
};
RunSnapshot TakeRunSnapshot(void);

// Shows a snapshot in the group: the figures' texts and the histogram.
void ShowRunSnapshot(const RunSnapshot &s);

// The recording ended and forgotten, the statistics afresh, as at start (the
// ticker stays with the panel).
void ResetRecordingToLoad(void);
