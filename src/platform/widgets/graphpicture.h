// Pictures of the graph and strip-chart controls: saved to a file, copied to
// the clipboard, or handed over as PNG bytes (for a report).
//
// How it works
// - The plot draws itself through the plotting library's own painter
//   (toPainter/toPixmap) at the size asked for; width or height 0 takes the
//   control's size on screen. The picture is what the control shows: its
//   plots, rectangles, cursors, axes and titles.
// - A file is written in full or not at all: it is drawn into a temporary
//   file beside the target, which replaces the target only once complete. An
//   existing file of that name stays as it was when writing fails.
// - Paths and reasons cross this interface in the local 8-bit encoding of
//   file names (as FileSelectPopup gives them).
#pragma once

#include <vector>

enum {
    PICTURE_PNG = 0,
    PICTURE_PDF = 1,
    PICTURE_SVG = 2,
    PICTURE_JPG = 3,
};

enum {
    GRAPHPICTURE_NO_GRAPH = -1,     // no graph or strip chart of that number, or a bad argument
    GRAPHPICTURE_WRITE_FAILED = -2, // the file could not be written; reason says why
};

// Saves the control's picture as `kind` (PICTURE_*). 0 on success, else one
// of GRAPHPICTURE_*; reason (may be null) receives up to 259 characters.
int SaveGraphPicture(int panel, int graph, const char *path, int kind, int width, int height,
                     char *reason);

// Puts the control's picture on the clipboard as an image. 0 on success.
int CopyGraphPicture(int panel, int graph);

// The control's picture as PNG bytes, replacing what png held. 0 on success.
int GraphPictureData(int panel, int graph, int width, int height, std::vector<unsigned char> *png);
