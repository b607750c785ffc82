// Parameter sets side by side: the window's, the sensor's RAM and EEPROM sets
// and a file's, fetched and compared without disturbing the program.
//
// A fetch for the compare goes out and is waited for like every other
// command (SendFrame, WaitReplyTo), but the reply is only copied out: pp,
// szStatus, graphrefresh, the settings and the main window are as before.
// Only TakeSetIntoWindow and WriteRamSetToEeprom change anything, and only
// the user's click calls them.
#pragma once

#include "settings/riror14.h"

#include <string>

// The columns of the compare, in the order shown.
enum { SET_WINDOW = 0, SET_RAM = 1, SET_EEPROM = 2, SET_FILE = 3, SET_COUNT = 4 };

struct ParamSet {
    int present = 0;    // 1 once the set has been read
    u16 words[PNUM]{};  // the sixteen words, pp order
    std::string source; // where it came from: a file's path; empty otherwise
};

// The sets as last read. Cleared at start; nothing is kept between runs.
extern ParamSet compareSets[SET_COUNT];

// Texts of the refusals.
inline constexpr char LOOP_REFUSAL_TEXT[] = "Not while a loop runs - press Stop first!";

// The words a Send would carry now (the window's settings), read without
// changing the settings or pp.
void ReadWindowSet(u16 words[PNUM]);

// Why a command to the sensor cannot start now: LOOP_REFUSAL_TEXT while a
// run or video loop runs, BUSY_TEXT (also shown in the main status line)
// while another command waits for its reply; nullptr when it can.
const char *CompareRefusal(void);

// Why a fetch took no set, in words; PORT_NOT_OPEN_TEXT as well.
inline constexpr char NO_REPLY_TEXT[] = "no reply from the sensor";
inline constexpr char OTHER_REPLY_TEXT[] = "the sensor answered, but not with the set asked for";
inline constexpr char NOT_SENT_TEXT[] = "the request did not go out whole";

// Fetches the RAM (code 2) or EEPROM (code 4) set into words. 1 when the
// reply came; 0 when it did not (words untouched), with the reason in *why
// unless why is null. Call when the line is free: when CompareRefusal() is
// nullptr, or from inside a running loop's event pump, where the request
// waits for the loop's reply on the line first (SendFrame) and the loop asks
// afresh after it (MeasurementArrived).
int FetchSet(int t, u16 words[PNUM], const char **why = nullptr);

// 1 when word i of set s is to be marked: both s and RAM are present, s is
// not RAM and its word differs from RAM's.
int DiffersFromRam(int s, int i);

// Puts the words into the settings and the window as a Get would
// (SetPanelValues with its range checks).
void TakeSetIntoWindow(const u16 words[PNUM]);

// Sends the words to EEPROM (code 3, no reply awaited) and lets the frame
// leave the line (0.1 s, busy meanwhile) before anything else can be sent.
// 1 when the whole frame was written.
int WriteSetToEeprom(const u16 words[PNUM]);
