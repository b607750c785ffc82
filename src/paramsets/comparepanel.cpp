// The compare window's callbacks.
#include "paramsets/comparepanel.h"

#include "com232/com232.h"
#include "gui/parafile.h"
#include "window/controls.h"
#include "window/lastfolder.h"
#include "settings/riror14.h"
#include "paramsets/compare.h"
#include "paramsets/namedset.h"
#include "paramsets/paramtable.h"
#include "platform/savefile.h"
#include "platform/widgets/userint.h"
#include "platform/widgets/notedialog.h"
#include "platform/widgets/tablectrl.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

int pCompare = 0;

static const char UIR_FILE[] = "VORTELIX-Riror14.uir";
static const char DAT_FILTER[] = "*.dat";
static const char JSON_FILTER[] = "*.json";
static const char JSON_DEFAULT[] = "VTLXset.json";
static const char DAT_DEFAULT[] = "VTLXpara.dat";
static const char *const COLUMN_TITLES[SET_COUNT] = {"Window", "RAM", "EEPROM", "File"};

static void CompareStatus(const std::string &text) {
    SetCtrlVal(pCompare, COMPARE_TEXTStatus, text.c_str());
}

static std::string RowTitle(int i) {
    const ParamWord &w = PARAM_TABLE[i];
    std::string title = std::string(w.label) + " (" + ParamName(i) + ")";
    if (*w.unit) title += std::string(" [") + w.unit + "]";
    return title;
}

void ShowCompareTable(void) {
    if (pCompare <= 0) return;
    ReadWindowSet(compareSets[SET_WINDOW].words);
    compareSets[SET_WINDOW].present = 1;
    std::vector<std::string> rows, columns(COLUMN_TITLES, COLUMN_TITLES + SET_COUNT);
    for (int i = 0; i < PNUM; i++)
        rows.push_back(RowTitle(i));
    SetTableHeaders(pCompare, COMPARE_TABLE, rows, columns);
    for (int s = 0; s < SET_COUNT; s++)
        for (int i = 0; i < PNUM; i++)
            SetTableCell(pCompare, COMPARE_TABLE, i, s,
                         compareSets[s].present ? ParamValueText(i, compareSets[s].words[i]) : "",
                         DiffersFromRam(s, i));
    SetCtrlAttribute(pCompare, COMPARE_BTNTakeRam, ATTR_DIMMED, !compareSets[SET_RAM].present);
    SetCtrlAttribute(pCompare, COMPARE_BTNTakeEeprom, ATTR_DIMMED,
                     !compareSets[SET_EEPROM].present);
    SetCtrlAttribute(pCompare, COMPARE_BTNTakeFile, ATTR_DIMMED, !compareSets[SET_FILE].present);
    SetCtrlAttribute(pCompare, COMPARE_BTNWriteEeprom, ATTR_DIMMED, !compareSets[SET_RAM].present);
}

int CC_BTNCompare(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (pCompare <= 0) {
        pCompare = LoadPanel(0, UIR_FILE, COMPARE);
        if (pCompare < 0) {
            pCompare = 0;
            return 0;
        }
    }
    ShowCompareTable();
    DisplayPanel(pCompare);
    return 0;
}

int CC_COMPARE(int, int event, void *, int, int) {
    if (event == EVENT_CLOSE) HidePanel(pCompare);
    return 0;
}

int CC_BTNCompareClose(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) HidePanel(pCompare);
    return 0;
}

// Fetches RAM or EEPROM into its column; the status says when it failed.
static int FetchInto(int s) {
    const int t = s == SET_RAM ? RAM : EEPROM;
    if (!FetchSet(t, compareSets[s].words)) {
        CompareStatus(std::string(TIMEOUT_TEXT) + " (" + COLUMN_TITLES[s] + ")");
        return 0;
    }
    compareSets[s].present = 1;
    return 1;
}

int CC_BTNFetchSets(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (const char *refusal = CompareRefusal()) {
        CompareStatus(refusal);
        return 0;
    }
    const int got = FetchInto(SET_RAM) && FetchInto(SET_EEPROM);
    ShowCompareTable();
    if (got) CompareStatus(COMPARE_FETCHED);
    return 0;
}

int CC_BTNTakeSet(int, int control, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const int s = control == COMPARE_BTNTakeRam      ? SET_RAM
                  : control == COMPARE_BTNTakeEeprom ? SET_EEPROM
                                                     : SET_FILE;
    if (!compareSets[s].present) return 0;
    // The main window's Get is not offered while a loop runs; nor is this.
    if (stop_flag == 0) {
        CompareStatus(LOOP_REFUSAL_TEXT);
        return 0;
    }
    TakeSetIntoWindow(compareSets[s].words);
    ShowCompareTable();
    CompareStatus(std::string(COLUMN_TITLES[s]) + " set taken into the window.");
    return 0;
}

int CC_BTNWriteEeprom(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (!compareSets[SET_RAM].present) {
        CompareStatus(COMPARE_NO_RAM);
        return 0;
    }
    if (const char *refusal = CompareRefusal()) {
        CompareStatus(refusal);
        return 0;
    }
    if (!ConfirmDialog("Write RAM set to EEPROM",
                       "Write the RAM set shown into the sensor's EEPROM?\n"
                       "The sensor starts with it from its next power-up on.")) {
        CompareStatus(COMPARE_NOT_WRITTEN);
        return 0;
    }
    // The dialog ran the event pump: a loop or a command may have started.
    if (const char *refusal = CompareRefusal()) {
        CompareStatus(refusal);
        return 0;
    }
    u16 ram[PNUM];
    std::memcpy(ram, compareSets[SET_RAM].words, sizeof ram);
    if (!WriteSetToEeprom(ram)) {
        CompareStatus("Error writing to the line!");
        return 0;
    }
    const int got = FetchInto(SET_EEPROM);
    ShowCompareTable();
    if (got)
        CompareStatus(std::memcmp(compareSets[SET_EEPROM].words, ram, sizeof ram) == 0
                          ? COMPARE_AGREE
                          : COMPARE_DISAGREE);
    return 0;
}

int CC_BTNOpenSetFile(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char path[260] = "";
    if (FileSelectPopup(proj_dir, DAT_DEFAULT, DAT_FILTER, "Parameter file to compare",
                        VAL_LOAD_BUTTON, 0, 1, 1, 0, path) <= 0)
        return 0;
    u16 words[PNUM];
    if (!ReadParameterFile(path, words)) {
        CompareStatus(PARAFILE_READ_ERROR);
        return 0;
    }
    std::memcpy(compareSets[SET_FILE].words, words, sizeof words);
    compareSets[SET_FILE].present = 1;
    compareSets[SET_FILE].source = path;
    ShowCompareTable();
    CompareStatus(std::string("File: ") + path);
    return 0;
}

int CC_BTNExportSet(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char path[260] = "";
    if (SelectFileInLastFolder(JSON_DEFAULT, JSON_FILTER, "Export parameter set", VAL_SAVE_BUTTON,
                               1, path) <= 0)
        return 0;
    u16 words[PNUM];
    ReadWindowSet(words);
    std::string error;
    if (SaveFileWhole(path, NamedSetToJson(words, CurrentIdentity()), &error) != 0) {
        CompareStatus("Error writing parameter set: " + error);
        return 0;
    }
    CompareStatus(std::string("Window set saved: ") + path);
    return 0;
}

int CC_BTNImportSet(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char path[260] = "";
    if (SelectFileInLastFolder(JSON_DEFAULT, JSON_FILTER, "Import parameter set", VAL_LOAD_BUTTON,
                               1, path) <= 0)
        return 0;
    std::string text, why;
    u16 words[PNUM];
    if (LoadFileWhole(path, NAMEDSET_MAX_BYTES, &text, &why) != 0 ||
        !NamedSetFromJson(text, words, &why)) {
        CompareStatus("Parameter set refused: " + why);
        return 0;
    }
    std::memcpy(compareSets[SET_FILE].words, words, sizeof words);
    compareSets[SET_FILE].present = 1;
    compareSets[SET_FILE].source = path;
    ShowCompareTable();
    CompareStatus(std::string("File: ") + path);
    return 0;
}

void RegisterCompareCallbacks(void) {
    RegisterCallback("CC_BTNCompare", CC_BTNCompare);
    RegisterPanelCallback("CC_COMPARE", CC_COMPARE);
    RegisterCallback("CC_BTNCompareClose", CC_BTNCompareClose);
    RegisterCallback("CC_BTNFetchSets", CC_BTNFetchSets);
    RegisterCallback("CC_BTNTakeSet", CC_BTNTakeSet);
    RegisterCallback("CC_BTNWriteEeprom", CC_BTNWriteEeprom);
    RegisterCallback("CC_BTNOpenSetFile", CC_BTNOpenSetFile);
    RegisterCallback("CC_BTNExportSet", CC_BTNExportSet);
    RegisterCallback("CC_BTNImportSet", CC_BTNImportSet);
}

void ResetCompare(void) {
    for (ParamSet &s : compareSets)
        s = ParamSet();
}
