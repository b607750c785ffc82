// Sensor models of the family, one preset per CCD type and variant.
#include "model.h"

namespace sim {

// Default boards: the older 1024- and 512-pixel heads come on type-100 or
// type-0 boards, the 63.5 um line CCDs on type-400 boards.
static const std::vector<ModelPreset> kPresets = {
    {"t1", 1, 78, 1024, 100, 7.8, false, "1024 pixel, 7.8 um pitch, 8 mm range"},
    {"t1-30", 1, 30, 1024, 0, 2.93, false, "1024 pixel, lens, 3 um resolution, 3 mm range"},
    {"t2-750", 2, 750, 1024, 100, 73.2, false, "1024 pixel, 25 um pitch, lens, 75 mm range"},
    {"t2-350", 2, 350, 1024, 100, 34.2, true, "1024 pixel, 25 um pitch, lens, 35 mm range"},
    {"t2-250", 2, 250, 1024, 100, 25.0, true, "1024 pixel, 25 um pitch, 25.6 mm range"},
    {"t2", 2, 0, 1024, 100, 25.0, false, "1024 pixel, 25 um pitch, unlisted resolution"},
    {"t3", 3, 0, 512, 0, 25.0, false, "512 pixel, 25 um pitch, 12.8 mm range"},
    {"t4", 4, 0, 512, 0, 12.5, false, "512 pixel, 12.5 um pitch, 6.4 mm range"},
    {"t101", 101, 0, 256, 400, 62.5, false, "256 pixel, 63.5 um pitch, 16 mm range"},
    {"t102", 102, 0, 768, 400, 63.5, true, "768 pixel, 63.5 um pitch, 48.8 mm range"},
    {"t103", 103, 0, 1180, 400, 63.5, true, "1180 pixel, 63.5 um pitch, 74.9 mm range"},
    {"t104", 104, 0, 1536, 400, 63.5, true, "1536 pixel, 63.5 um pitch, 97.5 mm range"},
    {"unknown", 0, 0, 1024, 0, 10.0, false, "a CCD type the tool does not know"},
};

const std::vector<ModelPreset> &Presets() {
    return kPresets;
}

const ModelPreset *FindPreset(const std::string &name) {
    for (const ModelPreset &p : kPresets)
        if (name == p.name) return &p;
    return nullptr;
}

Model MakeModel(const ModelPreset &preset, int pcbtype, int softversion) {
    Model m;
    m.preset = &preset;
    const u16 pcb = pcbtype < 0 ? preset.pcbtype : static_cast<u16>(pcbtype);
    m.subdiv = pcb == 100 ? 8 : 1;
    m.umPerUnit = preset.umPerPixel / m.subdiv;
    m.id.ccdtype = preset.ccdtype;
    m.id.ccdmaxpixel = preset.pixels;
    m.id.ccdresolution = preset.ccdresolution;
    m.id.pcbtype = pcb;
    m.id.ccdmaxpixelX8 = static_cast<u16>(preset.pixels * m.subdiv);
    m.id.ccdsubpixel = m.id.ccdmaxpixelX8;
    m.id.ccdpixB = 1;
    m.id.ccdpixE = preset.pixels;
    m.id.softversion = softversion < 0 ? 214 : static_cast<u16>(softversion);
    m.video8bit = preset.video8bit && m.id.softversion == 220;
    return m;
}

bool OverrideIdentity(Model &model, const std::string &name, u16 value) {
    Identity &id = model.id;
    struct Field {
        const char *name;
        u16 *word;
    };
    const Field fields[] = {
        {"ccdtype", &id.ccdtype},
        {"ccdmaxpixel", &id.ccdmaxpixel},
        {"ccdresolution", &id.ccdresolution},
        {"pcbtype", &id.pcbtype},
        {"ccdmaxpixelX8", &id.ccdmaxpixelX8},
        {"ccdsubpixel", &id.ccdsubpixel},
        {"ccdpixB", &id.ccdpixB},
        {"ccdpixE", &id.ccdpixE},
        {"softversion", &id.softversion},
    };
    for (const Field &f : fields) {
        if (name == f.name) {
            *f.word = value;
            if (f.word == &id.softversion)
                model.video8bit = model.preset && model.preset->video8bit && value == 220;
            return true;
        }
    }
    return false;
}

void IdentityWords(const Identity &id, u16 out[kIdentityWords]) {
    const u16 words[kIdentityWords] = {id.ccdtype, id.ccdmaxpixel,   id.ccdresolution,
                                       id.pcbtype, id.ccdmaxpixelX8, id.ccdsubpixel,
                                       id.ccdpixB, id.ccdpixE,       id.softversion};
    for (int i = 0; i < kIdentityWords; ++i)
        out[i] = words[i];
}

} // namespace sim
