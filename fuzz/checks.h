// Checks run on one input by the fuzz targets and by the replay tests. Each
// returns an empty text when the input was handled soundly, else what went
// wrong. Crashes, overflows and undefined behaviour are left to the
// sanitizers of the fuzz build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Line bytes as they lie in the receive buffer: the reply frame's words, the
// firmware text of both board kinds, and the video-block copy into adcbuf.
std::string CheckRxBytes(const std::uint8_t *data, std::size_t size);

// A reply to the hardware-information request, taken in by the program with
// both panels loaded from the real resource file.
std::string CheckIdentity(const std::uint8_t *data, std::size_t size);

// A parameter file with these contents, read as the program reads it.
std::string CheckParaFile(const std::uint8_t *data, std::size_t size);

// A named parameter set (JSON) with these contents: refused with a reason and
// the words untouched, or taken with every word in its range, and the words
// taken come back the same through a document written for them.
std::string CheckNamedSet(const std::uint8_t *data, std::size_t size);

// A resource file with these contents, both panels loaded from it. Needs the
// user interface (StartUserInterface) first.
std::string CheckPanelFile(const std::uint8_t *data, std::size_t size);

// Creates the offscreen application once; false when that fails.
bool StartUserInterface();

// A recording with these contents, read as the review reads it: refused with
// a one-line reason, or every line after the header a row taken, a row left
// out (named by its line) or blank; rows in order with their gaps; the
// figures, trend and band of the rows finite and inside them.
std::string CheckRecording(const std::uint8_t *data, std::size_t size);

// A configuration file (the bytes up to the first zero byte) and options (one
// per zero-separated part after it): help printed, a one-line reason, or a
// configuration within every limit; a file alone gives the same one as its
// keys given as options.
std::string CheckMonitorConfig(const std::uint8_t *data, std::size_t size);

// A payload on the command topic, taken with the link down and with it
// measuring (no port open): exactly one result with the id as sent, ok only
// for a command that can succeed here; waiting for the line only when its
// name is a sensor command and its id a text or a number; no frame sent.
std::string CheckCommand(const std::uint8_t *data, std::size_t size);

// The targets by name: the fuzzer of each (entry.cpp, built once per name)
// and the replay tests run the same check.
struct FuzzTarget {
    const char *name;                                        // "rxframe", the folder's name
    std::string (*check)(const std::uint8_t *, std::size_t); // "" when sound
    bool ui;                                                 // needs StartUserInterface first
};
extern const FuzzTarget FUZZ_TARGETS[];
extern const int FUZZ_TARGET_COUNT;
