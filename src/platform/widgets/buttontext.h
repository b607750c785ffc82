// Button texts that change while the program runs.
//
// How it works
// - The text replaces the one the resource file gave the button; an '&'
//   marks the letter that with Alt presses it, as in the resource file.
// - The button's accessible name follows the text (without the '&' and a
//   trailing ellipsis), so a screen reader says what a press will do.
#pragma once

// Sets the text of a command or toggle button. Returns 0, or -1 when the
// control is no button.
int SetButtonText(int panel, int control, const char *text);
