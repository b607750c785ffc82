// Export of the graphs: the strip chart, the bar graph of the CCD line, the
// video curve and the run's histogram. Each saves its picture (PNG, PDF, SVG or JPG, by the
// extension chosen in the file dialog) or copies it to the clipboard, from
// its context menu or a shortcut; the video graph also saves the current
// frame's 256 samples as CSV (sample index, position, value).
#pragma once

// Gives the graphs their menus. Called once the main panel is loaded.
void InstallGraphExport(void);

// The kind of picture (PICTURE_*) a file name asks for by its extension,
// case aside; -1 for none of png, pdf, svg, jpg (or jpeg).
int PictureKindOf(const char *path);

// Writes the current video frame (adcbuf at xArray8) as CSV: a header line,
// then "index,position,value" for each of the 256 samples. Returns 1, or 0
// with the reason in error (size bytes); no file is left without its header.
int SaveVideoFrame(const char *path, char *error, int size);

// What the menus do, callable on its own (tests): action is a GRAPHMENU_*
// value; a save asks for the file in the dialog.
void CC_GraphExport(int panel, int control, int action);
