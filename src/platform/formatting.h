// Formatting of texts from words; no Qt, usable by the link.
#pragma once

// Formatting: the one format the program uses, "%72c<%36i": the low byte of
// each of 36 words, in order, up to the first zero byte; at most 71 characters
// and the terminator (target holds 72 bytes). Returns the number of
// characters stored, negative on an unknown format.
int Fmt(char *target, const char *format, const int *words);
