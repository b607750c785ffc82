// Scratch files of the checks: the readers under test take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file of this process's own under the temporary folder, rewritten for
// every input and removed at exit. The process number is written at a fixed
// width: every run's paths, and so every message quoting them, are as long.
std::string ScratchFile(const char *suffix);

// Writes the bytes to path; false when that fails.
bool WriteFile(const std::string &path, const std::uint8_t *data, std::size_t size);
