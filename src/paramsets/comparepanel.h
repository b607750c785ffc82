// The compare window: the sixteen parameters in rows, the window's set, the
// sensor's RAM and EEPROM sets and a file's set in columns, cells that
// differ from RAM marked. From it a set goes into the main window, the RAM
// set into the EEPROM (after a confirmation), and a named set into or out of
// a JSON file. Only those clicks change anything.
#pragma once

// The panel of the resource file and its controls.
enum { COMPARE = 3 };
enum {
    COMPARE_TABLE = 2,          // the sets, a row per word, a column per set
    COMPARE_BTNFetch = 3,       // fetches RAM (code 2) and EEPROM (code 4)
    COMPARE_BTNOpenFile = 4,    // a 16-line parameter file into the File column
    COMPARE_BTNTakeRam = 5,     // "Take into window" of the RAM column
    COMPARE_BTNTakeEeprom = 6,  // "Take into window" of the EEPROM column
    COMPARE_BTNTakeFile = 7,    // "Take into window" of the File column
    COMPARE_BTNWriteEeprom = 8, // "Write RAM set to EEPROM"
    COMPARE_BTNExport = 9,      // the window's set as a named JSON set
    COMPARE_BTNImport = 10,     // a named JSON set into the File column
    COMPARE_TEXTStatus = 11,    // what the last action did
    COMPARE_BTNClose = 12,      // hides the window
};

extern int pCompare; // handle of the compare window; 0 until first opened

// Status texts of the compare window.
inline constexpr char COMPARE_FETCHED[] = "RAM and EEPROM sets fetched.";
inline constexpr char COMPARE_NO_RAM[] = "Fetch the RAM set first!";
inline constexpr char COMPARE_AGREE[] = "EEPROM now holds the RAM set.";
inline constexpr char COMPARE_DISAGREE[] = "EEPROM still differs from the RAM set!";
inline constexpr char COMPARE_NOT_WRITTEN[] = "Nothing written.";

// Redraws the table from compareSets, reading the window's column afresh.
void ShowCompareTable(void);

// Main window: "Compare sets…" (commit) loads the window once, reads the
// main window's set and shows it; nothing is fetched until asked.
int CC_BTNCompare(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2);
// The compare window's close box hides it.
int CC_COMPARE(int panel, int event, void *callbackData, int eventData1, int eventData2);
int CC_BTNCompareClose(int panel, int control, int event, void *callbackData, int eventData1,
                       int eventData2);
// Fetch (commit): RAM, then EEPROM; refused while a loop runs or a reply is awaited.
int CC_BTNFetchSets(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2);
// Take into window (commit) of the column the button stands under.
int CC_BTNTakeSet(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2);
// Write RAM set to EEPROM (commit): confirmation, code 3 with the RAM column,
// then the EEPROM set fetched again to show that both agree.
int CC_BTNWriteEeprom(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
// A 16-line parameter file (commit) into the File column; settings untouched.
int CC_BTNOpenSetFile(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
// Named sets (commit): the window's set out to a JSON file, a JSON file into
// the File column (refused whole, with the reason, when any word is bad).
int CC_BTNExportSet(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2);
int CC_BTNImportSet(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2);

// Registers the callbacks above (before the panels are loaded).
void RegisterCompareCallbacks(void);

// Back to the state at load: no sets read (the window, once loaded, stays).
void ResetCompare(void);
