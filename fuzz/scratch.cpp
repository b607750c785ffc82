// Scratch files under TMPDIR (or /tmp), one per suffix and process.
#include "scratch.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Scratch files made so far, removed when the process ends.
std::vector<std::string> scratchFiles;

} // namespace

std::string ScratchFile(const char *suffix) {
    const char *dir = std::getenv("TMPDIR");
    char name[32];
    std::snprintf(name, sizeof name, "/vtlx-fuzz-%010ld", static_cast<long>(getpid()));
    const std::string path = (dir && *dir ? dir : "/tmp") + std::string(name) + suffix;
    if (std::find(scratchFiles.begin(), scratchFiles.end(), path) == scratchFiles.end()) {
        if (scratchFiles.empty())
            std::atexit([] {
                for (const std::string &file : scratchFiles)
                    std::remove(file.c_str());
            });
        scratchFiles.push_back(path);
    }
    return path;
}

bool WriteFile(const std::string &path, const std::uint8_t *data, std::size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
