// Review windows: a recording looked at again, without the sensor. Each
// window shows a trend (three curves, the tolerance band, the values out of
// tolerance and marks), a histogram, three lines of figures, a line about the
// file, a reading of the trend under the mouse and a list (gaps, damaged
// rows).
//
// How it works
// - The window owns no data: the program hands it what to draw. When the
//   span in view changes (a mouse drag or wheel, or a key on the trend), the
//   window calls onSpan at once, for the trend of the new span, and
//   onSettled once the span has stayed put for a moment, for the figures.
// - Keys on the trend: Left and Right move by a tenth of the span, Page Up
//   and Page Down by a whole span, + and - zoom in and out around the
//   middle, Home shows the whole file. The span never leaves the file.
// - The trend's y axis fits the curves in view, and the tolerance band where
//   it lies near them. Its x axis reads time since the first row (h:mm:ss).
// - Moving the mouse over the trend calls onCursor with the seconds under it;
//   a key on the trend calls it with the middle of the new span. The program
//   answers with the reading's text (REVIEW_TEXT_READING).
// - A click or Return on a line of the list that has a time centres the span
//   on it; a span showing the whole file becomes a minute wide first.
// - Every figure is named for screen readers by what it is and what it says
//   ("Span in view: In view ..."), the name following each new text.
// - Escape or Ctrl+W closes the window, as does the close button; it calls
//   onClose, and the window is gone after it returns.
// - The window opens at a size within the screen; on a screen smaller than
//   its contents need, they scroll. The focus starts on the line about the
//   file and Tab goes top to bottom.
// - Texts are Windows-1252.
#pragma once

#include "platform/widgets/histogram.h"

enum {
    REVIEW_TEXT_FILE = 0,      // the file: name, times, rows
    REVIEW_TEXT_VALUE = 1,     // statistics of the measured value in view
    REVIEW_TEXT_UM = 2,        // statistics of the micrometre value in view
    REVIEW_TEXT_TOLERANCE = 3, // out of tolerance, Cp, Cpk in view
    REVIEW_TEXT_SPAN = 4,      // the span in view
    REVIEW_TEXT_READING = 5,   // the trend under the mouse
};

// Curves of the trend.
enum {
    REVIEW_CURVE_VALUE = 0, // measured value
    REVIEW_CURVE_LEDGE = 1, // left edge
    REVIEW_CURVE_REDGE = 2, // right edge
    REVIEW_CURVE_OUT = 3,   // measured values out of tolerance, drawn over the first
};

typedef void (*ReviewSpanCallback)(int window, double from, double to, int pixels);
typedef void (*ReviewCloseCallback)(int window);
typedef void (*ReviewCursorCallback)(int window, double at);

// Opens a window titled "Recording review" over the span [first, last] of
// seconds and shows it. Returns its id (> 0). onCursor may be null (no
// reading).
int OpenReviewWindow(double first, double last, ReviewSpanCallback onSpan,
                     ReviewSpanCallback onSettled, ReviewCloseCallback onClose,
                     ReviewCursorCallback onCursor = nullptr);

// A curve of the trend (REVIEW_CURVE_...): count points; a NaN value breaks
// the line. Repaints once, queued.
int SetReviewTrend(int window, int curve, const double *x, const double *y, int count);

// The tolerance band: from each x on, the limits lower and upper, until the
// next x (steps; the last point ends the band). Repaints once, queued.
int SetReviewBand(int window, const double *x, const double *lower, const double *upper, int count);

// Marks (gaps) at these seconds, drawn as vertical lines.
int SetReviewMarks(int window, const double *x, int count);

int SetReviewHistogram(int window, const HistogramView *view);
int SetReviewText(int window, int field, const char *text);

// The list under the figures, one line per item; at (may be null) the
// seconds each line stands for, NaN for none.
int SetReviewList(int window, const char *const *lines, const double *at, int count);

// The span in view, and a new one (as the keys would set it: calls onSpan).
int GetReviewSpan(int window, double *from, double *to);
int SetReviewSpan(int window, double from, double to);

// Draws the window now and waits until it is on the screen (benchmarks).
int RedrawReviewWindow(int window);

// Saves a picture of the whole window as PNG. 0, or -1 when it could not.
int SaveReviewWindowPicture(int window, const char *path);

// Closes the window as the user would (onClose is called).
int CloseReviewWindow(int window);
