// Row files: a text file that grows by whole rows, written in batches.
//
// How it works
// - AppendFileCreate makes the file and writes its first line at once; when
//   that line cannot be written whole, the file is removed again, so no file
//   exists without it.
// - AppendFileAdd only copies the text into memory; AppendFileFlush writes
//   what has gathered with as few system calls as it takes. The caller
//   flushes on its own clock (at least once a second), so a crash loses at
//   most what was added since.
// - When a write fails (disk full, file size limit, folder gone, medium
//   pulled), the file is cut back to the end of the last whole line on disk,
//   the rest of the batch is dropped, the file is closed and every later call
//   on the handle fails. Every row written before stays. A file size limit
//   fails the write (EFBIG) instead of ending the program.
// - Handles are small positive numbers; a few files may be open at a time.
#pragma once

#include <cstddef>

// Creates (or empties) path and writes firstLine to it, a whole line that
// ends with its line end ("\n" or "\r\n"; lines are counted and kept whole
// by their '\n').
// Returns a handle > 0, or 0 with the reason in error (size bytes, always
// terminated).
int AppendFileCreate(const char *path, const char *firstLine, char *error, std::size_t size);

// Opens path, a row file made before, to add lines to it: the file is cut
// to its first `whole` bytes (its whole lines, `lines` of them; what follows
// is a line a write cut short) and what is added goes after them. Returns a
// handle as AppendFileCreate does.
int AppendFileContinue(const char *path, long long whole, long long lines, char *error,
                       std::size_t size);

// Adds text (n bytes, whole lines) to what the next flush writes. Returns 1,
// or 0 when the handle is closed or failed.
int AppendFileAdd(int handle, const char *text, std::size_t n);

// Writes what has gathered. Returns 1, or 0 when a write failed (then the
// file holds every whole line written before, and is closed; the reason is
// in error).
int AppendFileFlush(int handle, char *error, std::size_t size);

// Flushes and closes. Returns what the flush returned; the handle is free
// afterwards in either case.
int AppendFileClose(int handle, char *error, std::size_t size);

// 1 when path still names the open file; 0 when the file was removed or
// moved (with its folder too): rows written then reach no file anyone sees.
int AppendFileNamedBy(int handle, const char *path);

// Bytes that are in the file (the first line included).
long long AppendFileBytes(int handle);

// Lines that are in the file (the first line included); still valid after a
// failed write, until the handle is closed.
long long AppendFileLines(int handle);
