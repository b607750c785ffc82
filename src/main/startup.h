// Start-up of the program's state: every module's defaults, then the window's
// start values over them.
#pragma once

// Sets every default (each module's own step, in a fixed order), shows the
// status and the header, copies the panel's values into the settings and
// draws the initial marks of the bar graph.
void InitVars(void);
