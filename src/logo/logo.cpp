// Branding of the main window's header.
#include "logo/logo.h"

#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/userint.h"

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
static constexpr int GAP = 8;        // least room beside a header item, pixels

// The positions in the table are the header as designed. The texts' sizes
// depend on the fonts of the system, so each item is measured once drawn:
// info lines go down by at least their own height, and an item that would
// touch one placed before it moves right of that one. With the program's
// own fonts every item keeps its designed place.
struct Box {
    int left, top, width, height;
};

static bool Touch(const Box &a, const Box &b) {
    return a.left < b.left + b.width + GAP && b.left < a.left + a.width + GAP &&
           a.top < b.top + b.height && b.top < a.top + a.height;
}

// Moves control ctrl to (left, top), or right of every item in placed that it
// would touch there; adds it to placed. Returns its bottom edge.
static int Place(int ctrl, int left, int top, Box *placed, int *count) {
    Box box{left, top, 0, 0};
    GetCtrlAttribute(pHandle, ctrl, ATTR_WIDTH, &box.width);
    GetCtrlAttribute(pHandle, ctrl, ATTR_HEIGHT, &box.height);
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < *count; i++) {
            if (Touch(box, placed[i])) {
                box.left = placed[i].left + placed[i].width + GAP;
                moved = true;
            }
        }
    }
    SetCtrlAttribute(pHandle, ctrl, ATTR_LEFT, box.left);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TOP, box.top);
    placed[(*count)++] = box;
    return box.top + box.height;
}

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

    Box placed[6];
    int count = 0;
    SetCtrlAttribute(pHandle, PANEL_DECOLogo, ATTR_FRAME_COLOR, b.band);
    if (b.company != nullptr) {
        const char *lines[3] = {b.company, b.phone, b.web};
        int below = 0; // bottom of the line above
        for (int i = 0; i < 3; i++) {
            const int top = b.infoTop + i * INFO_STEP;
            const int ctrl = ShowInfoText(0, b.band, b.text, lines[i], INFO_LEFT, top, INFO_POINTS);
            below = Place(ctrl, INFO_LEFT, top > below ? top : below, placed, &count);
        }
    }
    if (b.bitmap == nullptr) {
        SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_VISIBLE, 0);
    } else {
        DisplayImageFile(pHandle, PANEL_PICTLogo, b.bitmap);
        Place(PANEL_PICTLogo, b.logoLeft, b.logoTop, placed, &count);
    }
    const int name =
        ShowInfoText(0, b.band, b.text, szSoftName, b.nameLeft, b.nameTop, NAME_POINTS);
    Place(name, b.nameLeft, b.nameTop, placed, &count);
    const int version =
        ShowInfoText(0, b.band, b.text, szSoftVersion, b.versionLeft, b.versionTop, INFO_POINTS);
    Place(version, b.versionLeft, b.versionTop, placed, &count);
    return 0;
}
