// The window's side of the sensor link: the desktop program's link sink
// (status line, controls adapted to the sensor identified, send target) and
// the send-target selection.
#pragma once

// Installs the desktop sink into the link: status texts go into TEXTStatus,
// an identification adapts graphs, texts and dimming, a chosen target sets
// the radio buttons, a fetch shows the settings in the panel.
void InstallDesktopLinkSink(void);

// Selects the send target t (RAM, EEPROM or DATFILE), in target and on the
// three radio buttons, exactly one of which is set.
void SelectTarget(int t);

// What an identification changes in the window: the video graph's x axis,
// the sensor text box and the operating-mode switch's texts from the CCD type
// table, the measured value in micrometres (type 1), the strip chart's range
// (types 3 and 4), the slope field's range, and the analog controls dimmed by
// electronics type (100: operable, 400: dimmed).
void ShowHardwareInfo(void);
