// The sixteen parameter words of the protocol, in pp order.
#include "com232/protocol.h"

const ParamWordDef PARAM_WORDS[PNUM] = {
    {"power", &power},     {"tolMode", &tolMode},     {"vThd", &vThd},
    {"anaMode", &anaMode}, {"polarity", &polarity},   {"eMode", &eMode},
    {"eBeg", &eBeg},       {"eEnd", &eEnd},           {"tVal", &tVal},
    {"tTol", &tTol},       {"opMode", &opMode},       {"eHardware", &eHardware},
    {"slope", &slope},     {"intersect", &intersect}, {"average", &average},
    {"powMode", &powMode},
};
