// Helpers of the live-measurement suite: looks at the main window.
#pragma once

int PanelInt(int control);
bool Attribute(int control, int attribute);

// The state every loop leaves, whichever way it ended.
void ExpectEnded();
