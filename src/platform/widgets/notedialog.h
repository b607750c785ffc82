// Small dialogs that ask the user: a note typed before something is saved,
// and a yes-or-no confirmation before something is written to the sensor.
//
// How it works: each is a modal dialog over the active window. The plain
// forms wait for the answer; the "Then" forms return at once and run their
// continuation on the answer, so a running loop goes on meanwhile. Tests
// answer them instead of a user through dialogseam.h (the continuation then
// runs at once). Texts are UTF-8. In the note box Tab and Shift+Tab go to
// the next and previous control, Return starts a new line and Ctrl+Return
// is OK; OK and Cancel have Alt letters.
#pragma once

#include <functional>
#include <string>

// Asks for a note of several lines. 1 with the text in *note (which also
// holds the text the dialog starts with), 0 when cancelled.
int NoteDialog(const char *title, const char *prompt, std::string *note);

// Asks a question with Yes and No; 1 for Yes, 0 for No or a closed dialog.
int ConfirmDialog(const char *title, const char *question);

// Asks for a note without waiting; then(note) runs on OK, nothing on Cancel.
void NoteDialogThen(const char *title, const char *prompt, const std::string &start,
                    std::function<void(const std::string &note)> then);

// Asks a question without waiting; yes() runs on Yes, nothing on No.
void ConfirmDialogThen(const char *title, const char *question, std::function<void()> yes);
