// Sensor models: the identity the simulated sensor reports (the nine words of
// its hardware-information reply) and the geometry behind its positions.
//
// Positions on the wire (edges, measured value, evaluation window, set-point,
// tolerance) are sub-pixel units: pixel x subdiv. Boards of type 100 count in
// eighths of a pixel, the other boards in whole pixels; so the last position
// is always the pixel limit the tool derives (ccdpixE, times 8 on type 100).
#pragma once

#include <string>
#include <vector>

#include "wire.h"

namespace sim {

// The nine identity words, in reply order.
struct Identity {
    u16 ccdtype = 1;
    u16 ccdmaxpixel = 1024;
    u16 ccdresolution = 78;
    u16 pcbtype = 100;
    u16 ccdmaxpixelX8 = 8192; // line length in sub-pixel units
    u16 ccdsubpixel = 8192;   // x range of the 256 video samples, sub-pixel units
    u16 ccdpixB = 1;
    u16 ccdpixE = 1024;
    u16 softversion = 214;
};
inline constexpr int kIdentityWords = 9;

// A preset: one row of the sensor family.
struct ModelPreset {
    const char *name;
    u16 ccdtype;
    u16 ccdresolution;
    u16 pixels;        // CCD pixels
    u16 pcbtype;       // board fitted by default
    double umPerPixel; // object-side pixel size, for the default calibration
    bool video8bit;    // firmware 220 sends 8-bit video on this CCD
    const char *description;
};

// Every preset, the default first.
const std::vector<ModelPreset> &Presets();

// The preset with this name, or null.
const ModelPreset *FindPreset(const std::string &name);

// A complete model: preset, board and firmware chosen, identity overrides
// applied last (they change the reported words only where the words are not
// also what the sensor works with, see README).
struct Model {
    const ModelPreset *preset = nullptr;
    Identity id;
    u16 subdiv = 8;         // sub-pixel units per pixel
    double umPerUnit = 1.0; // micrometres per sub-pixel unit (default calibration)
    bool video8bit = false; // video samples 0..255 instead of 0..1023
};

// Builds the model of a preset on the given board (pcbtype 0, 100 or 400; -1
// keeps the preset's) with the given firmware version word (-1: 214).
Model MakeModel(const ModelPreset &preset, int pcbtype = -1, int softversion = -1);

// Sets one identity word by its variable name (ccdtype, ccdmaxpixel, ...).
// Returns false for an unknown name.
bool OverrideIdentity(Model &model, const std::string &name, u16 value);

// The identity words in reply order.
void IdentityWords(const Identity &id, u16 out[kIdentityWords]);

} // namespace sim
