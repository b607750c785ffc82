// Branding: the header of the main window (band colour, logo picture, info
// lines, program name and version) in its numbered variants.
#pragma once

// Draws the header of variant 0 to 6; variant 5 and any other number draw
// nothing. Each call adds new text controls over what is there. Items keep
// their designed places unless the system's fonts make one touch another;
// then it moves right of it (info lines: down). Returns 0.
int ShowLogo(int variant);

// Creates one text message on the main panel at (left, top) with the given
// colours and point size, and shows text in it. The first argument is
// ignored. Returns the new control's number (nobody keeps it).
int ShowInfoText(int unused, int bgColor, int textColor, const char *text, int left, int top,
                 int pointSize);
