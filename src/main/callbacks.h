// The table of the program's callbacks, bound by name to the controls of
// the resource file.
#pragma once

// Registers every panel and control callback under its name. Called once,
// before the panels are loaded.
void RegisterCallbacks(void);
