// Files written whole or not at all.
//
// How it works: the bytes go into a temporary file beside the target, which
// replaces the target only once everything is written and flushed (QSaveFile).
// On any failure the target stays as it was and no temporary is left.
#pragma once

#include <string>

// Writes bytes to path. 0 on success; -1 with the reason in *error (may be
// nullptr) when the folder cannot be written or the disk refused the data.
int SaveFileWhole(const char *path, const std::string &bytes, std::string *error);

// Reads a whole file into *bytes, at most maxBytes of it. 0 on success; -1
// with the reason in *error when it cannot be opened or is larger.
int LoadFileWhole(const char *path, long long maxBytes, std::string *bytes, std::string *error);
