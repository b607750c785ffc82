// Recording of a measurement run into a CSV file.
//
// How it works
// - StartRecording creates the file with its header line at once (RFC 4180,
//   comma-separated, '.' as decimal point, CR LF line ends), so no file
//   exists without it.
// - RecordReply formats one row from a decoded run reply (its local time,
//   its seconds since the start, its fields) and adds it to the file's buffer; nothing is
//   written there, so the loop never waits for the disk.
// - FlushRecording writes the buffer. The recording's ticker calls it several
//   times a second; Stop recording, a port change and the program's end
//   (window close and the quit signals) call it too.
// - A failed write (disk full, size limit, folder gone) ends the recording:
//   the file keeps every whole row written before, and RecordingError says
//   why until the next start. So does a file that was removed or moved away
//   (its folder removed, say), which each flush checks for: rows written
//   after it would reach no file anyone can open.
// - A recording spans any number of runs, Stop and Run, until it is stopped.
#pragma once

#include "com232/measure.h"

// Header line of a recording (without its line end, CR LF): the time, the
// seconds, the reply number, then the run reply's fields (RUN_FIELDS) with
// their units.
const char *RecordingHeader(void);

// The column (0-based) of a run reply's field in a recording, by its name;
// -1 for a name that is no field.
int RecordingColumn(const char *field);

// One row: when, which reply and its fields; umShown 0 leaves the micrometre
// value empty.
struct RecordingRow {
    const char *time; // local time, as LocalTimeISO gives it
    double seconds;   // since the recording started
    long reply;       // 1, 2, 3 ...
    RunReply values;  // the reply's fields
    int umShown;      // 1: the micrometre value is written
};

// One row as the recording writes it, CR LF included, into text (size
// bytes). Returns its length.
int FormatRecordingRow(const RecordingRow &r, char *text, int size);

// Starts recording into path (replacing a file of that name). Returns 1, or
// 0 with the reason in RecordingError (nothing is recording then).
int StartRecording(const char *path);

// StartRecording with the seconds counted from origin, a Timer() value at or
// before the first reply recorded (StartRecording takes now).
int StartRecordingFrom(const char *path, double origin);

// Goes on with the recording in path, a file this program recorded: a line
// at its end that a write cut short is cut off (it holds no whole row), and
// rows follow its last, numbered on from it, their seconds going on from its
// seconds by the wall-clock time from its row to localTime (LocalTimeISO's
// text of the moment origin, a Timer() value as for StartRecordingFrom).
// Returns 1, or 2 when a line was cut off; -1 when path is no recording of
// this program (its first line is not the header or its last whole line is
// no row), which is left untouched; 0 when it cannot be opened.
// RecordingError says why for -1 and 0.
int ContinueRecording(const char *path, const char *localTime, double origin);

// Writes what is buffered and closes the file. Returns 1, or 0 when the last
// write failed (RecordingError says why). Nothing happens when not recording.
int StopRecording(void);

// Adds the row of reply; umShown 0 leaves its micrometre value
// empty (the window does not show it). Does nothing when not recording.
void RecordReply(const RunReply &reply, int umShown);

// Writes the buffered rows. Returns 1, or 0 when the write failed; the
// recording has then ended.
int FlushRecording(void);

// Ends a recording that runs (its rows written) and forgets the last one:
// no path, no rows, no error, as at start.
void ResetRecorder(void);

// 1 while recording.
int RecordingActive(void);

// Rows of the current (or last) recording, header not counted; -1 when the
// last recording could not start (no file was made).
long RecordingRows(void);

// The file of the current (or last) recording; "" before the first.
const char *RecordingPath(void);

// Why the last recording ended or could not start; "" when it was stopped
// by the user or is still running.
const char *RecordingError(void);

// The default file name of a recording started now: "VTLXrun-YYYYMMDD-HHMMSS.csv".
void DefaultRecordingName(char *name, int size);
