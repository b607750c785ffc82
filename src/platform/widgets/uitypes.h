// The codes and callback types shared by the panel services: event codes,
// attributes, value types, and the results of LoadPanel. userint.h offers
// them with its operations; the panel and control classes need only these.
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
    ATTR_LEFT = 531,   // left edge in pixels of the panel (pictures, text messages)
    ATTR_TOP = 532,    // top edge in pixels of the panel
    ATTR_WIDTH = 533,  // width in pixels (read only: a text message or picture fits its content)
    ATTR_HEIGHT = 534, // height in pixels (read only)
    ATTR_FRAME_COLOR = 550,
    ATTR_TEXT_COLOR = 680,
    ATTR_TEXT_FONT = 682,
    ATTR_TEXT_POINT_SIZE = 686, // text size, counted in pixels like the positions
    ATTR_TEXT_BGCOLOR = 690,
    ATTR_ON_TEXT = 940,
    ATTR_OFF_TEXT = 941,
    ATTR_SCROLL_MODE = 1088,       // strip chart: 0 calls add points, 1 a call replaces them
    ATTR_NUM_TRACES = 1170,        // strip chart: number of traces, 1 to 16
    ATTR_POINTS_PER_SCREEN = 1171, // strip chart: points across the chart, 2 to 10000
    ATTR_TRACE_COLOR = 1230,       // strip chart trace (SetTraceAttribute)
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
enum { CTRL_TEXT_MSG = 160 };
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

// Results of LoadPanel below 0.
enum {
    LOADPANEL_NOT_FOUND = -1,     // no such file, or it cannot be opened
    LOADPANEL_BAD_FILE = -2,      // not well-formed panel XML, a widget or layout class the
                                  // loader cannot build, or a control number twice
    LOADPANEL_NO_SUCH_PANEL = -3, // the file lacks that panel number
    LOADPANEL_NO_APPLICATION = -4 // InitCVIRTE has not run
};
