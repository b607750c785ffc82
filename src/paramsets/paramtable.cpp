// The table of the sixteen parameter words. Labels and choice texts are the
// main window's; ranges are those SetPanelValues brings a loaded set into.
#include "paramsets/paramtable.h"

static const char *const TOL_MODES[] = {"0: Mode 0", "1: Mode 1", "2: Mode 2", "3: Mode 3",
                                        "4: Mode 4", "5: Mode 5", "6: Mode 6"};
static const char *const ANA_MODES[] = {"0: Measured value",  "1: Measured value, mode 1",
                                        "2: Maximum",         "3: Minimum",
                                        "4: Maximum, mode 4", "5: Minimum, mode 5"};
static const char *const POLARITIES[] = {"0: Normal", "1: Inverted"};
static const char *const OP_MODES[] = {"0: LO-GAIN", "1: HI-GAIN"};
static const char *const HW_MODES[] = {"0: Mode 0", "1: Mode 1", "2: Mode 2", "3: Mode 3"};
static const char *const POW_MODES[] = {"0: Fixed", "1: Automatic", "2: Automatic, fast"};

#define CHOICES(a) a, int(sizeof a / sizeof a[0])

// The slope word counts 1/512 instead of 1/1024 on CCD type 104 (SlopeScale).
// The operating-mode switch and the set-point are taken as they come: the
// program holds them to no range.
const ParamWord PARAM_TABLE[PNUM] = {
    {"Power", "", 0, 1000, ParamBound::Fixed, nullptr, 0},
    {"Tolerance mode", "", 0, 6, ParamBound::Fixed, CHOICES(TOL_MODES)},
    {"Video threshold", "counts", 50, 950, ParamBound::Fixed, nullptr, 0},
    {"Analog output", "", 0, 5, ParamBound::Fixed, CHOICES(ANA_MODES)},
    {"Polarity", "", 0, 1, ParamBound::Fixed, CHOICES(POLARITIES)},
    {"Evaluation mode", "", 0, 4, ParamBound::Fixed, CHOICES(EVAL_MODES)},
    {"Window left", "sub-pixels", 0, 65535, ParamBound::SubPixels, nullptr, 0},
    {"Window right", "sub-pixels", 1, 65535, ParamBound::SubPixels, nullptr, 0},
    {"Set-point", "sub-pixels", 0, 65535, ParamBound::Fixed, nullptr, 0},
    {"Tolerance", "sub-pixels", 1, 65535, ParamBound::LineX8, nullptr, 0},
    {"Operating mode", "", 0, 65535, ParamBound::Fixed, CHOICES(OP_MODES)},
    {"Hardware mode", "", 0, 3, ParamBound::Fixed, CHOICES(HW_MODES)},
    {"Slope", "1/1024", 0, 65534, ParamBound::Fixed, nullptr, 0},
    {"Offset", "+30000", 0, 60000, ParamBound::Fixed, nullptr, 0},
    {"Averaging", "measurements", 0, 1024, ParamBound::Fixed, nullptr, 0},
    {"Power mode", "", 0, 2, ParamBound::Fixed, CHOICES(POW_MODES)},
};

const char *ParamName(int i) {
    return PARAM_WORDS[i].name;
}

int ParamIndex(const std::string &name) {
    for (int i = 0; i < PNUM; i++)
        if (name == PARAM_WORDS[i].name) return i;
    return -1;
}

u16 ParamMax(int i) {
    const ParamWord &w = PARAM_TABLE[i];
    if (w.bound == ParamBound::SubPixels && ccdsubpixel > 0) return ccdsubpixel;
    if (w.bound == ParamBound::LineX8 && ccdmaxpixelX8 > 0) return ccdmaxpixelX8;
    return w.max;
}

int ParamInRange(int i, long long v) {
    return v >= PARAM_TABLE[i].min && v <= ParamMax(i);
}

std::string ParamValueText(int i, u16 v) {
    const ParamWord &w = PARAM_TABLE[i];
    if (w.choices && v < w.choiceCount) return w.choices[v];
    return std::to_string(v);
}
