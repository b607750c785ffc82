// The sensor's protocol, named once: command codes, sync words, frame and
// block sizes, the word index of each reply field and the sixteen parameter
// words. Line: 19200 baud, 8 data bits, no parity, 1 stop bit, no handshake.
//
// A command frame and a reply frame are 36 bytes: a sync word, a command code
// and sixteen payload words, all big-endian. Replies to codes 7, 9 and 11
// (data request) are raw blocks of 72, 128 and 512 bytes without this header.
// Every list of the parameter words elsewhere (window transfer, compare table,
// named sets, parameter file) is derived from PARAM_WORDS; every list of a
// run reply's fields (recording, review, monitor) from RUN_FIELDS, and every
// list of the identity words (named sets, report, monitor) from
// IDENTITY_WORDS.
#pragma once

#include "settings/riror14.h"

// Command codes, the second word of a command frame; a reply frame echoes it.
inline constexpr int CODE_WRITE_RAM = 1;     // settings into the sensor's RAM, no answer
inline constexpr int CODE_FETCH_RAM = 2;     // the sensor's RAM settings, answered by a frame
inline constexpr int CODE_WRITE_EEPROM = 3;  // settings into the sensor's EEPROM, no answer
inline constexpr int CODE_FETCH_EEPROM = 4;  // the sensor's EEPROM settings, a frame
inline constexpr int CODE_ECHO = 5;          // line check: the frame comes back
inline constexpr int CODE_TEACH = 6;         // teach a new set-point, a frame
inline constexpr int CODE_FIRMWARE = 7;      // firmware text, a raw block of FIRMWARE_LEN bytes
inline constexpr int CODE_RUN = 8;           // one measurement, a frame (RUN_* words)
inline constexpr int CODE_DATA64 = 9;        // 64 video samples, a raw block
inline constexpr int CODE_HARDWARE = 10;     // identity words, a frame (HW_* words)
inline constexpr int CODE_DATA256 = 11;      // 256 video samples (all words zero), a raw block
inline constexpr int CODE_RESET_ANALOG = 11; // reset the analog max/min (settings), a frame
inline constexpr int CODE_CALIBRATE = 12;    // calibration; sub-command in word 0, a frame

// Sync words and sizes.
inline constexpr int COMMAND_SYNC = 0x55;     // first word of every command frame (sync)
inline constexpr u16 REPLY_SYNC = 0x00AA;     // first word of every reply frame
inline constexpr int FRAMELEN = PNUM * 2 + 4; // bytes in a command or reply frame
inline constexpr int FIRMWARE_LEN = 72;       // bytes of the firmware block

// Words of the run reply (code 8), indexes into pp.
enum RunWord {
    RUN_LEDGE = 0,     // left edge, sub-pixels
    RUN_REDGE = 1,     // right edge, sub-pixels
    RUN_MVALUE = 2,    // measured value
    RUN_UM_LOW = 3,    // measured value in micrometres, low word
    RUN_UM_HIGH = 4,   // and its high word
    RUN_TVAL = 5,      // set-point the sensor holds
    RUN_TTOL = 6,      // tolerance the sensor holds
    RUN_EDCNT = 7,     // edges found
    RUN_MVSTART = 8,   // first position of the bar graph
    RUN_MVEND = 9,     // second position of the bar graph
    RUN_DYNPOWER = 10, // power the sensor uses
    RUN_ANAMAX = 11,   // analog-output maximum
    RUN_ANAMIN = 12,   // analog-output minimum
    RUN_IN0 = 13,      // input word, kept
};

// Words of the hardware-information reply (code 10), indexes into pp.
enum HardwareWord {
    HW_CCDTYPE = 0,
    HW_CCDMAXPIXEL = 1,
    HW_CCDRESOLUTION = 2,
    HW_PCBTYPE = 3,
    HW_CCDMAXPIXELX8 = 4,
    HW_CCDSUBPIXEL = 5,
    HW_CCDPIXB = 6,
    HW_CCDPIXE = 7,
    HW_SOFTVERSION = 8,
};

// One measurement, as the sensor reported it in a run reply: the words
// decoded once (DecodeRunReply, in measure.h) and the moment it was taken.
struct RunReply {
    u16 Ledge = 0;           // left edge, sub-pixels
    u16 Redge = 0;           // right edge, sub-pixels
    u16 Mvalue = 0;          // measured value
    int umValue = 0;         // measured value in micrometres
    u16 tVal = 0;            // set-point the sensor holds
    u16 tTol = 0;            // tolerance the sensor holds
    u16 edcnt = 0;           // edges found
    u16 mvstart = 0;         // first position of the bar graph
    u16 mvend = 0;           // second position of the bar graph
    u16 dynpower = 0;        // power the sensor uses
    u16 anaMax = 0;          // analog-output maximum since the last reset
    u16 anaMin = 0;          // analog-output minimum since the last reset
    u16 in0 = 0;             // input word, kept
    double monotonic = 0;    // Timer() when it was taken, s
    char localTime[40] = ""; // local time when it was taken, ISO 8601 with ms and offset
    int video = 0;           // 1 when the video loop took it: its frame is then in adcbuf
};

// What a field's value counts in.
enum class FieldUnit {
    Position,   // the loop's positions, the bar graph's axis (sub-pixels)
    Micrometre, // micrometres
    Count,      // a number of things
    Raw,        // a word as the sensor sends it, no unit of its own
};

// One field of the run reply: one word, or two (low word first) that make a
// signed 32-bit value.
struct RunFieldDef {
    const char *name;      // the recording's column and the monitor's key: "Mvalue"
    int word;              // RunWord of its (low) word
    int words;             // 1 or 2
    FieldUnit unit;        //
    const char *meaning;   // one line
    u16 RunReply::*narrow; // where a one-word field is kept
    int RunReply::*wide;   // where a two-word field is kept
    u16 *variable;         // the measurement variable of a one-word field
    int *variable32;       // that of a two-word field
};
inline constexpr int RUN_FIELD_COUNT = 13;
extern const RunFieldDef RUN_FIELDS[RUN_FIELD_COUNT];

// The value of field f of the reply.
long RunFieldValue(const RunReply &r, const RunFieldDef &f);

// The measurement variables from a reply's fields (the one place they are
// written), and a reply (no times) made of them.
void KeepRunFields(const RunReply &r);
RunReply KeptRunFields(void);

// The unit's short name as column headers write it ("sub-pixel", "\xC2\xB5m"),
// "" for counts and raw words.
const char *FieldUnitName(FieldUnit unit);

// The identity words by name, in the order the hardware-information reply
// sends them, and where the program keeps each. The pixel count is the one
// the sensor reported (ccdmaxpixelReported); the program's own ccdmaxpixel
// (256 for a count its drawing does not know) is not part of the identity.
struct IdentityWordDef {
    const char *name; // "ccdtype", ...
    int word;         // HardwareWord
    const u16 *value; // as identification left it
};
inline constexpr int IDENTITY_WORD_COUNT = 9;
extern const IdentityWordDef IDENTITY_WORDS[IDENTITY_WORD_COUNT];

// Words of the calibration command and its reply (code 12).
enum CalibrationWord {
    CAL_SUBCOMMAND = 0, // in the command: what to do
    CAL_SLOPE = 0,      // in the reply: the slope word
    CAL_INTERSECT = 1,  // in the reply: the offset word
};

// The sixteen parameter words, in pp order: the program's name of each and
// the settings variable that holds it.
struct ParamWordDef {
    const char *name; // "power", "tolMode", ...
    u16 *value;       // the settings variable
};
extern const ParamWordDef PARAM_WORDS[PNUM];

// The evaluation modes (parameter word eMode) as the program names them, in
// the selector's order: "2: Centre / diameter". The sensor takes 0 to 4.
inline constexpr int EVAL_MODE_COUNT = 5;
extern const char *const EVAL_MODES[EVAL_MODE_COUNT];

// The name of evaluation mode mode without its number ("Centre / diameter"),
// or nullptr for a mode the sensor does not know.
const char *EvalModeName(u16 mode);

// Indexes of the parameter words that other lists name on their own.
enum ParamWordIndex {
    PW_POWER = 0,
    PW_TOLMODE = 1,
    PW_VTHD = 2,
    PW_ANAMODE = 3,
    PW_POLARITY = 4,
    PW_EMODE = 5,
    PW_EBEG = 6,
    PW_EEND = 7,
    PW_TVAL = 8,
    PW_TTOL = 9,
    PW_OPMODE = 10,
    PW_EHARDWARE = 11,
    PW_SLOPE = 12,
    PW_INTERSECT = 13,
    PW_AVERAGE = 14,
    PW_POWMODE = 15,
};
