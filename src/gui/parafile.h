// The parameter file: the sixteen words of pp as a text file of 16 lines, one
// unsigned decimal number in a field of 5 characters per line, in pp order.
// Saving writes the window's settings; loading puts the file's words into the
// settings without sending anything to the sensor.
#pragma once

#include "settings/riror14.h"

// Status texts of a file that could not be written or read.
inline constexpr char PARAFILE_WRITE_ERROR[] = "Error writing parameter file!";
inline constexpr char PARAFILE_READ_ERROR[] = "Error reading parameter file!";

// Opens the save dialog (start folder proj_dir, default name "VTLXpara.dat")
// and keeps the chosen path in file_name. Returns 1 when a file was chosen,
// 0 when the dialog was cancelled.
int SelectParaFileToSave(void);

// Takes the window's settings (GetPanelValues) and writes them to file_name,
// which SelectParaFileToSave has chosen. The file is replaced
// only once the new one is complete. Returns 1 when written; 0 when not, with
// PARAFILE_WRITE_ERROR in the status line (an old file then stays as it was).
int SendParaToFile(void);

// The one reader of the file: its sixteen numbers into words, each cut to its
// low 16 bits. 1 when read; 0 when the file cannot be opened, holds fewer
// than 16 numbers or something else: words are then left as they were.
int ReadParameterFile(const char *path, u16 words[PNUM]);

// Opens the load dialog (start folder proj_dir) and reads the chosen file into
// pp and the settings; the window is refreshed by the caller (PushGET).
// Returns 1 when read; 0 when the dialog was cancelled; -1 when the file holds
// fewer than 16 numbers, something that is not a number or cannot be opened:
// then nothing is taken and the settings stay as they were; the caller shows
// PARAFILE_READ_ERROR once the window is refreshed (CC_BTNGet). A number above 65535 keeps its low
// 16 bits; one above 4294967295 is not a number the file may hold and is refused.
int ReadParaFromFile(void);
