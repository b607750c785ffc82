// The program as a user starts it: its command line, and an installed tree
// (bin/ beside share/vortelix-riror/) that finds its data from the
// executable's folder and never from the working folder.
#include "files.h"
#include "process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string TempFolder() {
    char name[] = "/tmp/vtlx-desktop-XXXXXX";
    return mkdtemp(name);
}

fs::path TestFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

TEST(CommandLine, HelpVersionAndWrongArguments) {
    const std::string dir = TempFolder();
    const std::string version = std::string("vortelix-riror ") + VTLX_VERSION + "\n";
    const std::string unknown = "vortelix-riror: unknown argument '%s' (try --help)\n";
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string out; // the whole output, or its first line for --help
        std::string err; // the whole error output
    } cases[] = {
        {{"--help"}, 0, "Usage: vortelix-riror [--help | --version]", ""},
        {{"--version"}, 0, version, ""},
        {{"--port"}, 2, "", "vortelix-riror: unknown argument '--port' (try --help)\n"},
        {{"-h"}, 2, "", "vortelix-riror: unknown argument '-h' (try --help)\n"},
        {{"COM1"}, 2, "", "vortelix-riror: unknown argument 'COM1' (try --help)\n"},
        {{"--version", "--verbose"},
         2,
         "",
         "vortelix-riror: unknown argument '--verbose' (try --help)\n"},
        {{"--help", "--version"}, 2, "", "vortelix-riror: one argument at most (try --help)\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> argv = {VTLX_PROGRAM};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const Child child = Start(argv, dir, dir);
        ASSERT_GT(child.pid, 0);
        // An argument that slipped through would start the window and hang here.
        EXPECT_EQ(WaitExit(child, 10), c.exit) << c.args[0];
        const std::string out = ReadFile(child.out), err = ReadFile(child.err);
        if (c.args.size() == 1 && c.args[0] == "--help") {
            EXPECT_EQ(out.substr(0, out.find('\n')), c.out);
            EXPECT_NE(out.find("--version"), std::string::npos) << out;
        } else {
            EXPECT_EQ(out, c.out) << c.args[0];
        }
        EXPECT_EQ(err, c.err) << c.args[0];
    }
    fs::remove_all(dir);
}

// The tree of an installation, moved anywhere: bin/vortelix-riror and its
// data in share/vortelix-riror/. Started from another folder, it loads its
// window and bitmaps and runs until ended; without the data folder, a resource
// file in the working folder does not count, and the error names the place
// the file was looked for.
TEST(InstallTree, DataComesFromBesideTheExecutableNeverFromTheWorkingFolder) {
    const fs::path root = TempFolder();
    const fs::path data = root / "usr/share/vortelix-riror";
    fs::create_directories(root / "usr/bin");
    fs::create_directories(data);
    fs::create_directories(root / "work");
    fs::create_directories(root / "ports/vortelix-ports");
    fs::permissions(root / "ports/vortelix-ports", fs::perms::owner_all);
    fs::copy_file(VTLX_PROGRAM, root / "usr/bin/vortelix-riror");
    for (const auto &entry : fs::directory_iterator(TestFolder())) {
        const std::string ext = entry.path().extension();
        if (ext == ".uir" || ext == ".png")
            fs::copy_file(entry.path(), data / entry.path().filename());
    }
    const std::string program = (root / "usr/bin/vortelix-riror").string();
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (root / "ports").string()};

    const Child installed = Start({program}, "/", root.string(), env);
    ASSERT_GT(installed.pid, 0);
    EXPECT_TRUE(StillRunning(installed, 2.0)) << ReadFile(installed.err);
    EXPECT_EQ(Stop(installed, 10), 0);
    EXPECT_EQ(ReadFile(installed.err).find("cannot load"), std::string::npos)
        << ReadFile(installed.err);

    fs::rename(data / "VORTELIX-Riror14.uir", root / "work/VORTELIX-Riror14.uir");
    const Child moved = Start({program}, (root / "work").string(), root.string(), env);
    EXPECT_EQ(WaitExit(moved, 10), 255);
    EXPECT_NE(ReadFile(moved.err).find((data / "VORTELIX-Riror14.uir").string()), std::string::npos)
        << ReadFile(moved.err);
    fs::remove_all(root);
}

} // namespace
