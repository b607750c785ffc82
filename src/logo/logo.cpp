// Branding of the main window's header.
#include "logo/logo.h"

#include "main/controls.h"
#include "main/riror14.h"
#include "platform/userint.h"

static constexpr int COLOR_WHITE = 0xFFFFFF;
static constexpr int COLOR_GREY = 0x808080;
static constexpr int COLOR_BLUE = 0x0080FF;

static constexpr int INFO_LEFT = 15;    // left edge of the info lines
static constexpr int INFO_POINTS = 11;  // point size of the info and version lines
static constexpr int NAME_POINTS = 18;  // point size of the name line
static constexpr int LOGO_VARIANTS = 7; // variants 0 to 6

// One branding variant. A null bitmap hides the logo picture; a null company
// leaves out the three info lines.
struct Branding {
    bool drawn;          // false: the variant draws nothing
    int band;            // colour of DECOLogo, also the texts' background
    int text;            // colour of the texts
    const char *bitmap;  // logo file, beside the program
    int logoLeft;        // left edge of the logo picture, pixels
    int logoTop;         // top edge of the logo picture, pixels
    const char *company; // info line 1
    const char *phone;   // info line 2
    const char *web;     // info line 3
    int infoTop;         // top of the first info line; the others follow 15 apart
    int nameLeft, nameTop;
    int versionLeft, versionTop;
};

static const Branding brandings[LOGO_VARIANTS] = {
    // 0: plain, white band.
    {true, COLOR_WHITE, COLOR_GREY, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, 20, 20, 170, 26},
    // 1: plain, blue band.
    {true, COLOR_BLUE, COLOR_WHITE, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, 20, 20, 170, 26},
    // 2: the maker's own header (the one drawn at start).
    {true, COLOR_BLUE, COLOR_WHITE, "VTLXlogo2.png", 300, 10, "Vortelix Sensorik GmbH",
     "Tel. +49 (0)555 0142-0", "www.vortelix-sensorik.example", 10, 300, 35, 450, 40},
    // 3: logo only.
    {true, COLOR_WHITE, COLOR_GREY, "VTLXlogo3.png", 470, 8, nullptr, nullptr, nullptr, 0, 20, 20,
     170, 26},
    // 4: a distributor's header on the blue band.
    {true, COLOR_BLUE, COLOR_WHITE, "VTLXlogo4.png", 470, 7, "Quarzfeld Messtechnik AG",
     "Tel. +41 555 0187 33", "www.quarzfeld.example", 7, 220, 30, 370, 36},
    // 5: no header at all.
    {false, 0, 0, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0},
    // 6: a distributor's header on the white band.
    {true, COLOR_WHITE, COLOR_GREY, "VTLXlogo6.png", 470, 7, "Brindlewick Optical Ltd.",
     "Tel. +1 555 0199 2604", "www.brindlewick.example", 7, 220, 30, 370, 36},
};

static constexpr int INFO_STEP = 15; // distance between two info lines

int ShowInfoText(int /*unused*/, int bgColor, int textColor, const char *text, int left, int top,
                 int pointSize) {
    int ctrl = NewCtrl(pHandle, CTRL_TEXT_MSG, "", top, left);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_FONT, "NIApp");
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_BGCOLOR, bgColor);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_COLOR, textColor);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlVal(pHandle, ctrl, text);
    return ctrl;
}

int ShowLogo(int variant) {
    if (variant < 0 || variant >= LOGO_VARIANTS) return 0;
    const Branding &b = brandings[variant];
    if (!b.drawn) return 0;

    SetCtrlAttribute(pHandle, PANEL_DECOLogo, ATTR_FRAME_COLOR, b.band);
    if (b.bitmap == nullptr) {
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_VISIBLE, 0);
    } else {
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_TOP, b.logoTop);
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_LEFT, b.logoLeft);
        DisplayImageFile(pHandle, PANEL_PICTLogo, b.bitmap);
    }
    if (b.company != nullptr) {
        const char *lines[3] = {b.company, b.phone, b.web};
        for (int i = 0; i < 3; i++)
            ShowInfoText(0, b.band, b.text, lines[i], INFO_LEFT, b.infoTop + i * INFO_STEP,
                         INFO_POINTS);
    }
    ShowInfoText(0, b.band, b.text, szSoftName, b.nameLeft, b.nameTop, NAME_POINTS);
    ShowInfoText(0, b.band, b.text, szSoftVersion, b.versionLeft, b.versionTop, INFO_POINTS);
    return 0;
}
