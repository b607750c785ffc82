// The "Open recording…" action of the main window and the review windows it
// opens: a recording read back and looked at without the sensor.
//
// How it works
// - The button asks for a CSV file and reads it on a thread of its own, so
//   that a run in the main window goes on meanwhile; a ticker looks for the
//   end of the reading, then opens the review window, or says in a message
//   why the file cannot be reviewed. Nothing is sent to the sensor.
// - A review window keeps its recording until it is closed; several may be
//   open at once. Its trend follows every move of the span at once; the
//   histogram and the figures follow once the span has settled.
#pragma once

// Control callback of "Open recording…" (on commit). Returns 0.
int CC_BTNOpenRecording(int panel, int control, int event, void *callbackData, int eventData1,
                        int eventData2);

// Reads path and opens its review window at once (on this thread). Returns
// the window (> 0), or 0 with the reason in error (size bytes).
int OpenRecordingReview(const char *path, char *error, int size);

// 1 while a file chosen by the button is being read.
int RecordingReviewLoading(void);

// The reviews open now.
int RecordingReviewCount(void);

// Writes the text lines of a review (file, span, figures) into text (size
// bytes), one per line; for tests. 0 for an unknown window.
int RecordingReviewTexts(int window, char *text, int size);
