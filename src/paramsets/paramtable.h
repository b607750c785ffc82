// The sixteen parameter words for the window: the one table the compare
// window, the named-set file and the commissioning report read. Each word has
// the name the protocol table gives it (ParamName), the label the main window shows, its unit, the
// range the program holds it to when a set is loaded, and for selectors the
// texts of the choices. pp order.
#pragma once

#include "com232/protocol.h"
#include "settings/riror14.h"

#include <string>

// Where the upper bound of a word comes from: fixed, or the sensor's line as
// identified (before identification there is no such bound).
enum class ParamBound {
    Fixed,     // max as given
    SubPixels, // ccdsubpixel when above 0, else max
    LineX8,    // ccdmaxpixelX8 when above 0, else max
};

struct ParamWord {
    const char *label;          // the window's label
    const char *unit;           // "" for a plain number or a choice
    u16 min;                    // lowest value taken on load
    u16 max;                    // highest value taken on load (see bound)
    ParamBound bound;           // what replaces max once a sensor is known
    const char *const *choices; // texts of a selector's choices, or nullptr
    int choiceCount;            // number of choices
};

extern const ParamWord PARAM_TABLE[PNUM];

// The program's name of word i ("power", "tolMode", ...), from PARAM_WORDS.
const char *ParamName(int i);

// Index of the word of that name, -1 when none has it.
int ParamIndex(const std::string &name);

// The highest value word i may hold now (with the sensor identified so far).
u16 ParamMax(int i);

// 1 when v lies in word i's range now.
int ParamInRange(int i, long long v);

// The value as the window shows it: the choice's text for a selector
// ("2: Mode 2"), else the number.
std::string ParamValueText(int i, u16 v);
