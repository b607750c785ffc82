// What the tests need beyond the program's own calls: answers for the file,
// note and confirmation dialogs (through the window services' dialog seam),
// a look at what the graphs hold, and the folder of stable adapter names.
// Linked only into tests and benchmarks.
#pragma once

#include <string>

// The next FileSelectPopup shows no dialog and takes this answer instead:
// a path (as if the user chose it), or nullptr for Cancel. One answer serves
// one call; ClearFileSelectAnswer drops an unused one.
void SetFileSelectAnswer(const char *path);
void ClearFileSelectAnswer(void);

// The next NoteDialog takes this note (nullptr: Cancel), the next
// ConfirmDialog this answer (1 Yes, 0 No); one answer serves one call.
// LastConfirmQuestion is the question ConfirmDialog asked last, "" until
// asked; ClearDialogAnswers drops unused answers and forgets the question.
void SetNoteDialogAnswer(const char *note);
void SetConfirmDialogAnswer(int yes);
const std::string &LastConfirmQuestion(void);
// The text the last NoteDialog started with ("" until asked).
const std::string &LastNoteStart(void);
void ClearDialogAnswers(void);

// Plots (PlotXY) on a graph, and the points of one of them (plot counts from
// 0 in the order drawn). Returns the number of points, negative if absent;
// at most maxPoints are copied.
int GetGraphPlotCount(int panel, int graph);
int GetGraphPlotPoints(int panel, int graph, int plot, double *x, double *y, int maxPoints,
                       int *color);

// Rectangles (PlotRectangle) on a graph, in the order drawn.
int GetGraphRectCount(int panel, int graph);
int GetGraphRect(int panel, int graph, int index, double *x1, double *y1, double *x2, double *y2,
                 int *frameColor, int *fillColor);

// An axis's current range (axis 0 = x, 1 = y) of a graph or strip chart.
int GetAxisRange(int panel, int graph, int axis, double *min, double *max);

// The points a strip-chart trace (from 1) shows, oldest first, and its
// colour. Returns the number of points, negative if absent.
int GetStripChartTrace(int panel, int chart, int trace, double *values, int maxPoints, int *color);

// The folder of stable adapter names ComPortList reads; nullptr goes back to
// /dev/serial/by-id.
void SetSerialByIdFolder(const char *folder);

// The devices taken as the system's serial ports (copied), in place of the
// system's list; a count below 0 goes back to it.
void SetListedSerialDevices(const char *const *devices, int count);
