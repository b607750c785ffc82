// The protocol's tables: the sixteen parameter words in pp order and the
// run reply's fields. The identity words' table is defined beside the
// reported pixel count it names, in identify.cpp.
#include "com232/protocol.h"

const ParamWordDef PARAM_WORDS[PNUM] = {
    {"power", &power},     {"tolMode", &tolMode},     {"vThd", &vThd},
    {"anaMode", &anaMode}, {"polarity", &polarity},   {"eMode", &eMode},
    {"eBeg", &eBeg},       {"eEnd", &eEnd},           {"tVal", &tVal},
    {"tTol", &tTol},       {"opMode", &opMode},       {"eHardware", &eHardware},
    {"slope", &slope},     {"intersect", &intersect}, {"average", &average},
    {"powMode", &powMode},
};

// The selector's texts: the number, a colon and a space, then the name.
const char *const EVAL_MODES[EVAL_MODE_COUNT] = {"0: Left edge", "1: Right edge",
                                                 "2: Centre / diameter", "3: Mode 3", "4: Mode 4"};

const char *EvalModeName(u16 mode) {
    return mode < EVAL_MODE_COUNT ? EVAL_MODES[mode] + 3 : nullptr;
}

// The order is the recording's columns and the monitor's keys: a field added
// here is recorded, reviewed and published.
const RunFieldDef RUN_FIELDS[RUN_FIELD_COUNT] = {
    {"Ledge", RUN_LEDGE, 1, FieldUnit::Position, "left edge", &RunReply::Ledge, nullptr, &Ledge,
     nullptr},
    {"Redge", RUN_REDGE, 1, FieldUnit::Position, "right edge", &RunReply::Redge, nullptr, &Redge,
     nullptr},
    {"Mvalue", RUN_MVALUE, 1, FieldUnit::Position,
     "measured value, as the evaluation mode defines it", &RunReply::Mvalue, nullptr, &Mvalue,
     nullptr},
    {"umValue", RUN_UM_LOW, 2, FieldUnit::Micrometre, "measured value in micrometres", nullptr,
     &RunReply::umValue, nullptr, &umValue},
    {"tVal", RUN_TVAL, 1, FieldUnit::Position, "set-point the sensor holds", &RunReply::tVal,
     nullptr, &tVal, nullptr},
    {"tTol", RUN_TTOL, 1, FieldUnit::Position, "tolerance the sensor holds", &RunReply::tTol,
     nullptr, &tTol, nullptr},
    {"edcnt", RUN_EDCNT, 1, FieldUnit::Count, "edges found", &RunReply::edcnt, nullptr, &edcnt,
     nullptr},
    {"mvstart", RUN_MVSTART, 1, FieldUnit::Raw, "first position of the bar graph",
     &RunReply::mvstart, nullptr, &mvstart, nullptr},
    {"mvend", RUN_MVEND, 1, FieldUnit::Raw, "second position of the bar graph", &RunReply::mvend,
     nullptr, &mvend, nullptr},
    {"dynpower", RUN_DYNPOWER, 1, FieldUnit::Raw, "power the sensor uses", &RunReply::dynpower,
     nullptr, &dynpower, nullptr},
    {"anaMax", RUN_ANAMAX, 1, FieldUnit::Raw, "analog-output maximum since its reset",
     &RunReply::anaMax, nullptr, &anaMax, nullptr},
    {"anaMin", RUN_ANAMIN, 1, FieldUnit::Raw, "analog-output minimum since its reset",
     &RunReply::anaMin, nullptr, &anaMin, nullptr},
    {"in0", RUN_IN0, 1, FieldUnit::Raw, "input word", &RunReply::in0, nullptr, &in0, nullptr},
};

long RunFieldValue(const RunReply &r, const RunFieldDef &f) {
    return f.words == 2 ? r.*f.wide : r.*f.narrow;
}

void KeepRunFields(const RunReply &r) {
    for (const RunFieldDef &f : RUN_FIELDS) {
        if (f.words == 2)
            *f.variable32 = r.*f.wide;
        else
            *f.variable = r.*f.narrow;
    }
}

RunReply KeptRunFields(void) {
    RunReply r;
    for (const RunFieldDef &f : RUN_FIELDS) {
        if (f.words == 2)
            r.*f.wide = *f.variable32;
        else
            r.*f.narrow = *f.variable;
    }
    return r;
}

const char *FieldUnitName(FieldUnit unit) {
    switch (unit) {
    case FieldUnit::Position: return "sub-pixel";
    case FieldUnit::Micrometre: return "\xC2\xB5m";
    default: return "";
    }
}
