// Sensor identification: the hardware-information request (code 10) and the
// firmware text (code 7), and what the tool adapts to the sensor found.
#pragma once

#include "main/riror14.h"

// CCD pixels as the sensor last reported them (ccdmaxpixel becomes 256 when
// the count is not one the drawing knows); 0 before any identification.
// Named sets and the report record this.
extern u16 ccdmaxpixelReported;

// Asks for the identity words and configures graphs, limits, texts and
// dimming from them. 1 when a reply echoing code 10 arrived, else 0.
int GetHARDWAREInfo(void);

// The second half of GetHARDWAREInfo: takes the identity words from pp (the
// reply in szReadBuf) and adapts the tool to them. 1 when the reply echoes
// code 10, else 0.
int ApplyHardwareInfo(void);

// Reads the 72-byte firmware block and shows its text. Returns the number of
// bytes that waited when the wait ended; 72 or more means the text arrived.
int GetVERSIONInfo(void);

// Turns the firmware block in szReadBuf[0..71] into the status text: with
// pcbtype 0 the low bytes of its 36 words, else its bytes; either up to the
// first zero and cut to 71 characters. On the word path the text is also
// kept in szVersion; on both it is kept in szFirmware.
void FirmwareToStatus(void);
