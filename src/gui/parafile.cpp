// The parameter file. The words are written as unsigned 32-bit values (each
// word widened with zeros) and read back the same way, cut to their low 16
// bits.
#include "gui/parafile.h"

#include "com232/com232.h"
#include "gui/panelio.h"
#include "window/controls.h"
#include "platform/widgets/userint.h"

#include <cstdint>

// The file dialogs both start in proj_dir with the default name, show only
// ".dat" files and let the user change folder, cancel and make a folder.
static constexpr int FIELDWIDTH = 5;                   // characters per value in the file
static constexpr char DEFAULT_NAME[] = "VTLXpara.dat"; // name the dialogs offer
static constexpr char FILTER[] = "*.dat";              // the one file type shown
static constexpr char SAVE_TITLE[] = "VORTELIX-Series Parameter File"; // title of the save dialog
static constexpr char LOAD_TITLE[] = "VORTELIX-Parameter-File";        // title of the load dialog

// Both directions overwrite pp. When that happens inside the event pump of a
// run loop, pp no longer holds the reply the loop was about to draw, so
// graphrefresh is cleared: the loop asks for a fresh measurement instead of
// showing settings as one.

int SendParaToFile(void) {
    std::uint32_t words[PNUM]; // pp widened, one value per line
    GetPanelValues();
    CopyVarsToPP();
    graphrefresh = 0;
    for (int i = 0; i < PNUM; i++)
        words[i] = pp[i];
    if (ArrayToFile(file_name, words, VAL_UNSIGNED_INTEGER, PNUM, 1, VAL_GROUPS_TOGETHER,
                    VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, FIELDWIDTH, VAL_ASCII,
                    VAL_TRUNCATE) != 0) {
        SetCtrlVal(pHandle, PANEL_TEXTStatus, PARAFILE_WRITE_ERROR);
        return 0;
    }
    return 1;
}

int ReadParameterFile(const char *path, u16 words[PNUM]) {
    std::uint32_t read[PNUM]; // the file's values before they are cut to 16 bits
    // FileToArray changes nothing unless all 16 numbers were read, so a short
    // or broken file leaves words as they were.
    if (FileToArray(path, read, VAL_UNSIGNED_INTEGER, PNUM, 1, VAL_GROUPS_TOGETHER,
                    VAL_GROUPS_AS_COLUMNS, VAL_ASCII) != 0)
        return 0;
    for (int i = 0; i < PNUM; i++)
        words[i] = static_cast<u16>(read[i] & 0xFFFF);
    return 1;
}

int ReadParaFromFile(void) {
    if (FileSelectPopup(proj_dir, DEFAULT_NAME, FILTER, LOAD_TITLE, VAL_LOAD_BUTTON, 0, 1, 1, 1,
                        file_name) <= 0)
        return 0;
    if (!ReadParameterFile(file_name, pp)) return -1;
    graphrefresh = 0;
    CopyPPtoVars();
    return 1;
}

int SelectParaFileToSave(void) {
    return FileSelectPopup(proj_dir, DEFAULT_NAME, FILTER, SAVE_TITLE, VAL_OK_BUTTON, 0, 1, 1, 1,
                           file_name) > 0;
}
