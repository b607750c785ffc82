// Pictures of the graphs and the video frame as files.
#include "export/graphexport.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "window/controls.h"
#include "window/lastfolder.h"
#include "settings/riror14.h"
#include "platform/appendfile.h"
#include "platform/ticker.h"
#include "platform/widgets/graphmenu.h"
#include "platform/widgets/graphpicture.h"
#include "platform/widgets/userint.h"

static const char PICTURE_FILTER[] = "*.png *.pdf *.svg *.jpg";
static const char FRAME_HEADER[] = "index,position [sub-pixel],value\r\n";
static const int FRAME_SAMPLES = 256;

// The short name a graph's files start with.
static const char *GraphName(int control) {
    switch (control) {
    case PANEL_CHARTRaw: return "chart";
    case PANEL_GRAPHBar: return "ccdline";
    default: return "video";
    }
}

int PictureKindOf(const char *path) {
    const char *dot = std::strrchr(path, '.');
    if (!dot || std::strchr(dot, '/')) return -1;
    char ext[8] = "";
    for (int i = 0; i < 7 && dot[i + 1]; i++)
        ext[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(dot[i + 1])));
    if (!std::strcmp(ext, "png")) return PICTURE_PNG;
    if (!std::strcmp(ext, "pdf")) return PICTURE_PDF;
    if (!std::strcmp(ext, "svg")) return PICTURE_SVG;
    if (!std::strcmp(ext, "jpg") || !std::strcmp(ext, "jpeg")) return PICTURE_JPG;
    return -1;
}

int SaveVideoFrame(const char *path, char *error, int size) {
    const int file = AppendFileCreate(path, FRAME_HEADER, error, static_cast<std::size_t>(size));
    if (!file) return 0;
    for (int i = 0; i < FRAME_SAMPLES; i++) {
        char row[64];
        const int n =
            std::snprintf(row, sizeof row, "%d,%.3f,%u\r\n", i + 1, xArray8[i], adcbuf[i]);
        AppendFileAdd(file, row, static_cast<std::size_t>(n));
    }
    return AppendFileClose(file, error, static_cast<std::size_t>(size));
}

void CC_GraphExport(int panel, int control, int action) {
    char stamp[24];
    LocalTimeForName(stamp, sizeof stamp);
    char name[96], path[1024] = "", reason[300] = "";
    if (action == GRAPHMENU_COPY_PICTURE) {
        if (CopyGraphPicture(panel, control) != 0)
            MessagePopup("Copy picture", "The picture could not be copied to the clipboard.");
        return;
    }
    if (action == GRAPHMENU_SAVE_FRAME) {
        std::snprintf(name, sizeof name, "VTLXframe-%s.csv", stamp);
        if (SelectFileInLastFolder(name, "*.csv", "Save the video frame", VAL_SAVE_BUTTON, 1,
                                   path) <= 0)
            return;
        if (!SaveVideoFrame(path, reason, sizeof reason)) MessagePopup("Save frame", reason);
        return;
    }
    std::snprintf(name, sizeof name, "VTLX%s-%s.png", GraphName(control), stamp);
    // Any of the four extensions: the kind follows the chosen name.
    if (SelectFileInLastFolder(name, PICTURE_FILTER, "Save the picture", VAL_SAVE_BUTTON, 0,
                               path) <= 0)
        return;
    int kind = PictureKindOf(path);
    if (kind < 0) {
        // A name without a known extension is saved as PNG.
        std::strncat(path, ".png", sizeof path - std::strlen(path) - 1);
        kind = PICTURE_PNG;
    }
    if (SaveGraphPicture(panel, control, path, kind, 0, 0, reason) != 0)
        MessagePopup("Save picture", reason);
}

void InstallGraphExport(void) {
    InstallGraphMenu(pHandle, PANEL_CHARTRaw, 0, CC_GraphExport);
    InstallGraphMenu(pHandle, PANEL_GRAPHBar, 0, CC_GraphExport);
    InstallGraphMenu(pHandle, PANEL_GRAPHVideo, 1, CC_GraphExport);
}
