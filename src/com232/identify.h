// Sensor identification: the hardware-information request (code 10) and the
// firmware text (code 7), and what the tool adapts to the sensor found.
#pragma once

#include "settings/riror14.h"

// CCD pixels as the sensor last reported them (ccdmaxpixel becomes 256 when
// the count is not one the drawing knows); 0 before any identification.
// Named sets and the report record this.
extern u16 ccdmaxpixelReported;

// One row of the CCD type table. A null text keeps what is shown; pixE 0
// keeps the limit; pixE 0xFFFF takes ccdpixE.
struct CcdRow {
    const char *line0;   // first line of the sensor text box
    const char *line1;   // second line of the sensor text box
    const char *onText;  // on text of the operating-mode switch
    const char *offText; // its off text
    u16 pixE;
    bool smallVideoRange; // YAXISMAX 256 when softversion is 220
};

// What the positions of the sensor identified last count in: "sub-pixel"
// when its line is longer in position units than in pixels (type-100 boards
// count eighths), "pixel" when they are the same; "sub-pixel" before any
// identification, as the program's defaults assume.
const char *PositionUnitName(void);

// The row of the sensor identified last (ccdtype, ccdresolution).
const CcdRow *CcdTypeRow(void);

// Asks for the identity words and sets the CCD geometry and limits from them;
// the sink adapts graphs, texts and dimming. 1 when a reply echoing code 10 arrived, else 0.
int GetHARDWAREInfo(void);

// The second half of GetHARDWAREInfo: takes the identity words from pp (the
// reply in szReadBuf), sets geometry and limits and reports LinkIdentified. 1 when the reply echoes
// code 10, else 0.
int ApplyHardwareInfo(void);

// Shown when the firmware text could not be read.
inline constexpr char FIRMWARE_ERROR_TEXT[] = "Error reading firmware-info!";

// Reads the 72-byte firmware block and shows its text. Returns 72 when the
// block came whole and its text was taken. Otherwise no text is taken and it
// returns the bytes that came before the time-out (fewer than 72), or 0 for
// more bytes than the block (stray ones before or after it), reporting
// FIRMWARE_ERROR_TEXT.
int GetVERSIONInfo(void);

// Turns the firmware block in szReadBuf[0..71] into the status text: with
// pcbtype 0 the low bytes of its 36 words, else its bytes; either up to the
// first zero and cut to 71 characters. On the word path the text is also
// kept in szVersion; on both it is kept in szFirmware.
void FirmwareToStatus(void);
