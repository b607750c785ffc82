// Panels, controls, graphs, the file dialog and array files.
//
// How it works
// - The resource file is Qt Designer XML. Each panel is a top-level widget
//   of the file carrying a panel number; each control carries its control
//   number and, where it has one, the name of its callback, as properties.
//   LoadPanel builds a fresh copy of the panel and returns its handle.
//   The panels of one file sit side by side inside one wrapper widget; each
//   is taken out of it as a window of its own.
// - Callbacks are bound by name: the program registers each callback under
//   its name (RegisterCallback) before it loads the panels; a name in the
//   file that nobody registered is reported on stderr and left unbound.
// - User actions reach a control's callback as event codes (EVENT_*). A value
//   set by the program (SetCtrlVal) never raises an event. docs/events.md
//   lists, per kind of control, which action raises which codes in which
//   order. A dimmed control raises nothing.
// - Closing a panel by its window frame raises EVENT_CLOSE for the panel's
//   callback and nothing else: the panel stays until the callback hides or
//   discards it.
// - Texts cross this interface as Windows-1252 (the micro sign is 0xB5).
// - Colours are 24-bit RGB numbers (0xRRGGBB).
// - Operations on an unknown panel or control do nothing and return a
//   negative result; they never crash.
#pragma once

#include "platform/widgets/uitypes.h"

// Creates the application object with windows (once, before InitCVIRTE of the
// run-time, which then keeps it). Returns 1 on success; 0, saying why on
// stderr, when there is no display.
int InitUserInterface(char *argv[]);

// Registers a control or panel callback under the name the resource file uses.
void RegisterCallback(const char *name, CtrlCallbackPtr callback);
void RegisterPanelCallback(const char *name, PanelCallbackPtr callback);

// Loads panel panelResourceId of the resource file (a bare name is looked for
// beside the executable, then in the installed data folder) as a hidden
// window of its own; parentPanel is accepted and not needed. Returns the
// handle (> 0), or one of LOADPANEL_* when the file is missing, does not
// parse or lacks that panel; stderr says which.
int LoadPanel(int parentPanel, const char *file, int panelResourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);

// Control values. A value outside the control's range is coerced into it; a
// real written into a whole-number control, and a real read as an integer,
// is truncated toward zero. Selectors take the value of an item (the nearest
// one), radio buttons, check boxes, switches and toggles 0 or 1 (any value
// other than 0 sets them).
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *value);
int GetCtrlVal(int panel, int control, unsigned short *value); // low 16 bits
int GetCtrlVal(int panel, int control, int *value);
int GetCtrlVal(int panel, int control, double *value);
int GetCtrlVal(int panel, int control, float *value);
int GetCtrlVal(int panel, int control, char *value); // text, up to 260 bytes with the terminator

// Attributes: the integer ones, and the text ones (on/off texts, font).
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *value);
int GetCtrlAttribute(int panel, int control, int attribute, int *value);
// Text attributes (on/off texts, font family), up to 260 bytes with the terminator.
int GetCtrlAttribute(int panel, int control, int attribute, char *value);

// Changes the range of a numeric control; its value is coerced into the new
// range without raising an event.
int SetCtrlRange(int panel, int control, double min, double max);

// Selector items. A selector's value is the value of its current item; items
// loaded from the resource file carry their index unless the file gives them
// values. index -1 appends.
int ClearListCtrl(int panel, int control);
int InsertListItem(int panel, int control, int index, const char *label, int value);
int GetNumListItems(int panel, int control, int *count);

// Adds a text message at (left, top) in pixels of the panel, above the
// panel's layout; returns its control number (above every number of the
// file), negative on failure. The font attribute takes a family name; a
// family this system lacks leaves the application's font.
int NewCtrl(int panel, int style, const char *label, int top, int left);
// Shows a bitmap file in a picture control. On a screen at a scale above 1
// a sharper copy drawn at twice the size, "name@2x.png" beside "name.png",
// is taken where there is one; the picture keeps the size of the plain one.
int DisplayImageFile(int panel, int control, const char *file);
// Replaces line `line` (from 0) of a text box, adding empty lines up to it.
int ReplaceTextBoxLine(int panel, int control, int line, const char *text);

// Graphs. PlotXY and PlotRectangle return a plot handle (> 0). Each call asks
// for one repaint, queued, so the several calls of one reply repaint once.
// Plot, point and line styles are accepted; plots are lines through every
// point in the given colour. Cursors 1 to 3 are vertical lines with a mark
// at (x, y); deleting plots leaves them.
int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType, int yType,
           int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2, int frameColor,
                  int fillColor);
// plotHandle -1 removes every plot; refresh is accepted and not needed.
int DeleteGraphPlot(int panel, int graph, int plotHandle, int refresh);
int SetGraphCursor(int panel, int graph, int cursor, double x, double y);
int GetGraphCursor(int panel, int graph, int cursor, double *x, double *y);
int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);

// Strip chart: count values of type dataType go to consecutive traces, from
// index start, skipping `skip` values after each one taken. The y axis is
// set with SetAxisScalingMode (axis 1); the x axis spans the points per
// screen, the newest point at the right edge.
int PlotStripChart(int panel, int chart, const void *values, int count, int start, int skip,
                   int dataType);
int SetTraceAttribute(int panel, int chart, int trace, int attribute, int value);

// File dialog. Stores the chosen path in path (260 bytes). Returns
// VAL_NO_FILE_SELECTED when cancelled (or when the path does not fit),
// VAL_EXISTING_FILE_SELECTED or VAL_NEW_FILE_SELECTED. fileTypeList is one
// pattern such as "*.dat"; with restrictExtension the chosen name is given
// that extension. buttonLabel VAL_LOAD_BUTTON accepts existing files only.
// The dialog always lets the user cancel and change folders
// (restrictDirectory and allowCancel are accepted and not needed). On cancel
// path is left as it was. Tests answer the dialog through dialogseam.h.
int FileSelectPopup(const char *defaultDirectory, const char *defaultFileName,
                    const char *fileTypeList, const char *title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char *path);

// Whole arrays as files. Text files hold one value per line, right-aligned in
// fieldWidth characters; reading takes the numbers in order whatever blanks
// and line ends (LF or CR LF) separate them. Binary files hold the array's
// bytes. One group only (numberOfGroups 1). Types: VAL_CHAR, VAL_INTEGER,
// VAL_SHORT_INTEGER, VAL_FLOAT, VAL_DOUBLE, VAL_UNSIGNED_SHORT_INTEGER,
// VAL_UNSIGNED_INTEGER. A file is replaced only once it is written in full:
// on any failure the old file stays as it was, and a failed read leaves the
// array untouched. 0 on success, otherwise one of ARRAYFILE_*.
enum {
    ARRAYFILE_BAD_ARGUMENT = -1, // unknown type, count below 1, groups other than 1
    ARRAYFILE_CANNOT_OPEN = -2,  // missing file, or the folder cannot be written
    ARRAYFILE_WRITE_FAILED = -3, // the disk refused part of it; the old file is kept
    ARRAYFILE_TOO_FEW = -4,      // fewer numbers (or bytes) than elements asked for
    ARRAYFILE_NOT_A_NUMBER = -5, // something that is not a number of that type
};
int ArrayToFile(const char *fileName, const void *array, int dataType, int numberOfElements,
                int numberOfGroups, int dataOrder, int layout, int columnSeparator, int fieldWidth,
                int fileType, int fileAction);
int FileToArray(const char *fileName, void *array, int dataType, int numberOfElements,
                int numberOfGroups, int dataOrder, int layout, int fileType);

// A message for the user in a box of its own, with an OK button, over the
// active window. Returns at once (0): the box stays until the user closes
// it, and the program goes on meanwhile, so no loop of the program waits on
// it and a quit is never held up by it. Texts are Windows-1252.
int MessagePopup(const char *title, const char *message);

// The program's folder, copied into buffer (260 bytes). 0 on success.
int GetProjectDir(char *buffer);
