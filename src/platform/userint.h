// Panels, controls, graphs, the file dialog, formatting and array files.
//
// How it works
// - The resource file is Qt Designer XML. Each panel is a top-level widget
//   of the file carrying a panel number; each control carries its control
//   number and, where it has one, the name of its callback, as properties.
//   LoadPanel builds a fresh copy of the panel and returns its handle.
// - Callbacks are bound by name: the program registers each callback under
//   its name (RegisterCallback) before it loads the panels; a name in the
//   file that nobody registered is reported on stderr and left unbound.
// - User actions reach a control's callback as event codes (EVENT_*). A value
//   set by the program (SetCtrlVal) never raises an event.
// - Colours are 24-bit RGB numbers (0xRRGGBB).
// - Operations on an unknown panel or control do nothing and return a
//   negative result; they never crash.
#pragma once

// Event codes passed to callbacks.
enum {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_CLOSE = 11,
};

// Control attributes that the program sets.
enum {
    ATTR_DIMMED = 500,
    ATTR_VISIBLE = 530,
    ATTR_TOP = 531,
    ATTR_LEFT = 532,
    ATTR_FRAME_COLOR = 550,
    ATTR_TEXT_COLOR = 680,
    ATTR_TEXT_FONT = 682,
    ATTR_TEXT_POINT_SIZE = 686,
    ATTR_TEXT_BGCOLOR = 690,
    ATTR_ON_TEXT = 940,
    ATTR_OFF_TEXT = 941,
    ATTR_POINTS_PER_SCREEN = 1088,
    ATTR_YAXIS_GAIN = 1170,
    ATTR_YAXIS_OFFSET = 1171,
    ATTR_TRACE_COLOR = 1230,
};

// Data types of plot and array arguments.
enum {
    VAL_CHAR = 0,
    VAL_INTEGER = 1,
    VAL_SHORT_INTEGER = 2,
    VAL_FLOAT = 3,
    VAL_DOUBLE = 4,
    VAL_UNSIGNED_SHORT_INTEGER = 6,
    VAL_UNSIGNED_INTEGER = 7,
};

// Axis scaling modes.
enum { VAL_MANUAL = 0, VAL_AUTOSCALE = 1 };
// Axes.
enum { VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1 };
// Control style for NewCtrl.
enum { CTRL_TEXT_MSG = 1 };
// ArrayToFile / FileToArray.
enum { VAL_GROUPS_TOGETHER = 0, VAL_GROUPS_AS_COLUMNS = 0, VAL_CONST_WIDTH = 0 };
enum { VAL_BINARY = 0, VAL_ASCII = 1 };
enum { VAL_TRUNCATE = 0, VAL_APPEND = 1 };
// FileSelectPopup results.
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };
// FileSelectPopup buttons.
enum { VAL_OK_BUTTON = 0, VAL_SAVE_BUTTON = 1, VAL_SELECT_BUTTON = 2, VAL_LOAD_BUTTON = 3 };

typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void *callbackData,
                               int eventData1, int eventData2);
typedef int (*PanelCallbackPtr)(int panel, int event, void *callbackData, int eventData1,
                                int eventData2);

// Registers a control or panel callback under the name the resource file uses.
void RegisterCallback(const char *name, CtrlCallbackPtr callback);
void RegisterPanelCallback(const char *name, PanelCallbackPtr callback);

// Loads panel panelResourceId of the resource file (a bare name is looked for
// beside the executable, then in the installed data folder). Returns the
// handle (> 0), or a negative number when the file is missing, does not parse
// or lacks that panel.
int LoadPanel(int parentPanel, const char *file, int panelResourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);

// Control values. Integers are coerced into the control's range.
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

// Adds a text message; returns its control number.
int NewCtrl(int panel, int style, const char *label, int top, int left);
// Shows a bitmap file in a picture control.
int DisplayImageFile(int panel, int control, const char *file);
// Replaces line `line` (from 0) of a text box. Texts are Windows-1252.
int ReplaceTextBoxLine(int panel, int control, int line, const char *text);

// Graphs. PlotXY and PlotRectangle return a plot handle (> 0).
int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType, int yType,
           int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2,
                  int frameColor, int fillColor);
// plotHandle -1 removes every plot; refresh is accepted and not needed.
int DeleteGraphPlot(int panel, int graph, int plotHandle, int refresh);
int SetGraphCursor(int panel, int graph, int cursor, double x, double y);
int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);

// Strip chart: count values of type dataType go to consecutive traces.
int PlotStripChart(int panel, int chart, const void *values, int count, int start, int skip,
                   int dataType);
int SetTraceAttribute(int panel, int chart, int trace, int attribute, int value);

// File dialog. Stores the chosen path in path (260 bytes). Returns
// VAL_NO_FILE_SELECTED when cancelled.
int FileSelectPopup(const char *defaultDirectory, const char *defaultFileName,
                    const char *fileTypeList, const char *title, int buttonLabel, int restrictDirectory,
                    int restrictExtension, int allowCancel, int allowMakeDirectory, char *path);

// Whole arrays as text files, one value per line (numberOfGroups, layout and
// the rest as the parameter file uses them). 0 on success, negative on error.
int ArrayToFile(const char *fileName, const void *array, int dataType, int numberOfElements,
                int numberOfGroups, int dataOrder, int layout, int columnSeparator,
                int fieldWidth, int fileType, int fileAction);
int FileToArray(const char *fileName, void *array, int dataType, int numberOfElements,
                int numberOfGroups, int dataOrder, int layout, int fileType);

// Formatting: the one format the program uses, "%72c<%36i": the low byte of
// each of 36 words, in order, as a text of up to 72 characters. Returns the
// number of items formatted, negative on an unknown format.
int Fmt(char *target, const char *format, const int *words);

// The program's folder, copied into buffer (260 bytes). 0 on success.
int GetProjectDir(char *buffer);
