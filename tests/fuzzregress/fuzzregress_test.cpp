// Every seed of fuzz/corpus/<target>/ and every kept failing input of
// fuzz/regress/<target>/ (each listed in fuzz/regress/README.md with the fault
// it guards against) must pass the target's check.
#include "checks.h"

#include "window/controls.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadAll(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the check on every file of one folder; returns how many there were.
int ReplayFolder(const FuzzTarget &t, const fs::path &folder) {
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

class FuzzReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzReplay, SeedsAndKeptInputsPassTheCheck) {
    const fs::path root = VTLX_FUZZ_DIR;
    const int seeds = ReplayFolder(GetParam(), root / "corpus" / GetParam().name);
    ReplayFolder(GetParam(), root / "regress" / GetParam().name);
    EXPECT_GT(seeds, 0) << "no seeds for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::ValuesIn(FUZZ_TARGETS, FUZZ_TARGETS + FUZZ_TARGET_COUNT),
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

// A widget or layout class the loader cannot build makes the file a bad one,
// said in one line naming the class, before Qt's form loader sees it: that
// loader went on with a layout it could not make and crashed.
TEST(FuzzReplay, UnknownWidgetOrLayoutClassIsABadFile) {
    const fs::path root = VTLX_FUZZ_DIR;
    const std::vector<std::uint8_t> real = ReadAll(VTLX_RESOURCE_FILE);
    std::string widget(real.begin(), real.end());
    const std::string button = "class=\"QPushButton\"";
    ASSERT_NE(widget.find(button), std::string::npos);
    widget.replace(widget.find(button), button.size(), "class=\"QPushButon\"");
    const fs::path scrambledWidget =
        fs::temp_directory_path() /
        ("vtlx-scrambled-widget-" + std::to_string(::getpid()) + ".uir");
    std::ofstream(scrambledWidget, std::ios::binary) << widget;

    const struct {
        fs::path file;
        const char *cls;
    } cases[] = {
        {root / "regress" / "panelfile" / "layout-class-scrambled.uir", "QVLBxoayuot"},
        {scrambledWidget, "QPushButon"},
    };
    for (const auto &c : cases) {
        for (const int number : {PANEL, POPUP}) {
            testing::internal::CaptureStderr();
            const int handle = LoadPanel(0, c.file.c_str(), number);
            const std::string said = testing::internal::GetCapturedStderr();
            EXPECT_EQ(handle, LOADPANEL_BAD_FILE) << c.cls << ", panel " << number;
            EXPECT_NE(said.find(c.cls), std::string::npos) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            if (handle > 0) DiscardPanel(handle);
        }
    }
    fs::remove(scrambledWidget);
}

} // namespace
