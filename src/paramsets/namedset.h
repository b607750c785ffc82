// A parameter set by name as a JSON file, beside the 16-line parameter file:
// the sensor's identity words and text, the firmware text, the date, and the
// sixteen words under their names.
//
//   {"format": "VORTELIX parameter set", "version": 1, "date": "...",
//    "sensor": {"ccdtype": 1, ..., "text": "..."}, "firmware": "...",
//    "parameters": {"power": 500, "tolMode": 0, ...}}
//
// Reading takes the sixteen words only, and only when every one is there,
// is a whole number and lies in the table's range; anything else refuses the
// whole file and says why.
#pragma once

#include "settings/riror14.h"

#include <string>

inline constexpr char NAMEDSET_FORMAT[] = "VORTELIX parameter set";
inline constexpr long long NAMEDSET_MAX_BYTES = 1 << 20; // larger files are no set of ours

// What a named set holds beside the words.
struct SetIdentity {
    std::string date;     // local date and time, "2026-12-08 14:05:09"
    std::string sensor;   // identity text as the calibration window shows it, UTF-8
    std::string firmware; // firmware text, UTF-8
};

// The document for words, with the identity words as identification left
// them and the texts of id.
std::string NamedSetToJson(const u16 words[PNUM], const SetIdentity &id);

// Checks the document and takes its words. 1 with the words in words;
// 0 with the reason in *why and words untouched.
int NamedSetFromJson(const std::string &text, u16 words[PNUM], std::string *why);

// The identity of the sensor as identified now, dated now.
SetIdentity CurrentIdentity(void);
