// The folder where the recording, picture, named-set and report dialogs
// open: the one a file was last chosen in by any of them this session, the
// program folder before that. Nothing of it is kept between runs. The
// parameter file's own dialogs keep opening in the program folder.
#pragma once

// The file dialog (FileSelectPopup) opened in the last folder with name
// proposed; a new folder can be made unless it loads. A chosen file's folder
// becomes the last folder. Returns what the dialog returns; path (260 bytes)
// holds the file when that is above 0.
int SelectFileInLastFolder(const char *name, const char *filter, const char *title, int buttonLabel,
                           int restrictExtension, char *path);

// Back to the program folder, as at start.
void ResetLastFolder(void);
