// Every seed of fuzz/corpus/<target>/ and every kept failing input of
// fuzz/regress/<target>/ (each listed in fuzz/regress/README.md with the fault
// it guards against) must pass the target's check.
#include "checks.h"

#include "main/controls.h"
#include "platform/userint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Check = std::string (*)(const std::uint8_t *, std::size_t);

struct Target {
    const char *name;
    Check check;
};

const Target kTargets[] = {
    {"rxframe", CheckRxBytes},
    {"identity", CheckIdentity},
    {"parafile", CheckParaFile},
    {"panelfile", CheckPanelFile},
};

std::vector<std::uint8_t> ReadAll(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the check on every file of one folder; returns how many there were.
int ReplayFolder(const Target &t, const fs::path &folder) {
    int count = 0;
    if (!fs::is_directory(folder)) return 0;
    for (const auto &entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
        const std::vector<std::uint8_t> bytes = ReadAll(entry.path());
        EXPECT_EQ(t.check(bytes.data(), bytes.size()), "") << entry.path();
        ++count;
    }
    return count;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, SeedsAndKeptInputsPassTheCheck) {
    const fs::path root = VTLX_FUZZ_DIR;
    const int seeds = ReplayFolder(GetParam(), root / "corpus" / GetParam().name);
    ReplayFolder(GetParam(), root / "regress" / GetParam().name);
    EXPECT_GT(seeds, 0) << "no seeds for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto &info) { return std::string(info.param.name); });

// The seed that is the real resource file must give both panels: the panel
// check would pass a loader that refuses every file.
TEST(FuzzReplay, RealResourceFileGivesBothPanels) {
    const std::string file = std::string(VTLX_FUZZ_DIR) + "/corpus/panelfile/full.uir";
    for (const int number : {PANEL, POPUP}) {
        const int handle = LoadPanel(0, file.c_str(), number);
        EXPECT_GT(handle, 0) << "panel " << number;
        if (handle > 0) DiscardPanel(handle);
    }
}

} // namespace
