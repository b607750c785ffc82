// Line files: a text file read from start to end as a stream of lines, for
// files far larger than one would hold as text in memory.
//
// How it works
// - The file is read in blocks of a megabyte; a line is handed out as a view
//   into the block (valid until the next call), without its line end ("\n"
//   or "\r\n"). A last line without a line end counts as a line.
// - A line longer than a block is handed out cut at the block's size: no
//   text file of the program has lines that long, so the caller refuses it.
// - A reader belongs to one thread at a time; readers may run on any thread.
// - Paths and reasons are in the local 8-bit encoding of file names.
#pragma once

#include <cstddef>
#include <cstdint>

struct LineFile;

// Opens path for reading. Returns the reader, or nullptr with the reason in
// error (size bytes, always terminated).
LineFile *LineFileOpen(const char *path, char *error, std::size_t size);

// The next line: 1 with *text and *length set, 0 at the end of the file, -1
// when reading failed (LineFileError says why).
int LineFileNext(LineFile *file, const char **text, std::size_t *length);

// The size of the file in bytes, and the bytes read so far.
std::int64_t LineFileSize(const LineFile *file);
std::int64_t LineFilePosition(const LineFile *file);

// Why the last read failed.
const char *LineFileError(const LineFile *file);

// Closes the file and frees the reader (nullptr is ignored).
void LineFileClose(LineFile *file);
