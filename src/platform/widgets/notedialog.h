// Small dialogs that ask the user: a note typed before something is saved,
// and a yes-or-no confirmation before something is written to the sensor.
//
// How it works: each is a modal dialog over the active window; the program
// waits for the answer. Tests answer them instead of a user through
// dialogseam.h. Texts are UTF-8.
#pragma once

#include <string>

// Asks for a note of several lines. 1 with the text in *note (which also
// holds the text the dialog starts with), 0 when cancelled.
int NoteDialog(const char *title, const char *prompt, std::string *note);

// Asks a question with Yes and No; 1 for Yes, 0 for No or a closed dialog.
int ConfirmDialog(const char *title, const char *question);
