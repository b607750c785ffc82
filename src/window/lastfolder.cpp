// The folder the dialogs of the session's own files open in.
#include "window/lastfolder.h"

#include <cstdio>
#include <cstring>

#include "settings/riror14.h"
#include "platform/widgets/userint.h"

static char lastFolder[260] = ""; // folder of the file chosen last this session; "" at start

int SelectFileInLastFolder(const char *name, const char *filter, const char *title, int buttonLabel,
                           int restrictExtension, char *path) {
    const int chosen =
        FileSelectPopup(lastFolder[0] ? lastFolder : proj_dir, name, filter, title, buttonLabel, 0,
                        restrictExtension, 1, buttonLabel != VAL_LOAD_BUTTON, path);
    if (chosen <= 0) return chosen;
    std::snprintf(lastFolder, sizeof lastFolder, "%s", path);
    char *slash = std::strrchr(lastFolder, '/');
    if (slash)
        *slash = '\0';
    else
        lastFolder[0] = '\0';
    return chosen;
}

void ResetLastFolder(void) {
    lastFolder[0] = '\0';
}
