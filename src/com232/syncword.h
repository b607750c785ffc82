// The sync word: the first word of every command frame (0x55).
//
// It has a header of its own because POSIX declares a function sync() in
// <unistd.h>; a file that sees both cannot compile. Only the link code needs
// the word, and none of it includes POSIX headers. Tests reach it through
// SyncWord() of their support library.
#pragma once

extern int sync; // first word of every command frame, 0x55; set by InitVars and the senders
