// Panel transfer: moves the sixteen settings between the controls of the main
// panel (slope and offset: the calibration window) and the settings variables.
#pragma once

#include "settings/riror14.h"

// Copies the setting controls into the settings. Slope and offset are read as
// real numbers and stored scaled (x512 for CCD type 104, else x1024) and
// shifted (+YOFFSET), cut toward zero, low 16 bits. Returns 0.
int GetPanelValues(void);

// Brings the settings into range, writes them into the controls, shows slope
// and offset as real numbers, dims the tolerance controls by hardware mode,
// fills the threshold line, redraws the video curve and adds the CCD-line and
// tolerance rectangles to the bar graph (without deleting what it holds).
void SetPanelValues(void);

// The 16-bit word of a real number: cut toward zero, then the low 16 bits of
// the two's-complement form (-1024.0 gives 64512). A value that is not finite
// (NaN, an infinity) gives 0. Defined for every double.
u16 TruncToWord(double value);
