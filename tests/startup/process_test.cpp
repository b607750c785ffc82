// The executable itself: started with the simulator as COM1, ended by a signal.
#include "files.h"
#include "process.h"
#include "simharness.h"
#include "waits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// The program run where it lies, so only its own folder can offer the
// resource file; its output goes into folder.
Child Launch(const std::string &program, const std::string &folder) {
    return Start({program}, program.substr(0, program.rfind('/')), folder);
}

TEST(Process, StartsWithSensorAndEndsCleanlyOnSigterm) {
    PortFolder folder; // the child inherits the private port folder
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    const Child child = Launch(VTLX_PROGRAM, folder.path());
    ASSERT_GT(child.pid, 0);
    const std::string err = child.err;

    // Start-up is over once the firmware request has come. The signal may come
    // at any time after the start: the program takes it up in its event loop.
    WaitUntil([&] { return sensor.framesReceived().size() >= 4; });
    EXPECT_EQ(sensor.framesReceived(), (std::vector<int>{5, 10, 2, 7})) << ReadFile(err);
    EXPECT_EQ(Stop(child, 10), 0) << ReadFile(err);
}

TEST(Process, MissingResourceFileEndsWithMinusOne) {
    PortFolder folder;
    const std::string copy = folder.path() + "/vortelix-riror";
    std::filesystem::copy_file(VTLX_PROGRAM, copy);
    const Child child = Launch(copy, folder.path());
    ASSERT_GT(child.pid, 0);
    const std::string err = child.err;
    EXPECT_EQ(WaitExit(child, 10), 255) << "-1, as an exit status holds it";
    EXPECT_NE(ReadFile(err).find("VORTELIX-Riror14.uir"), std::string::npos) << ReadFile(err);
}

} // namespace
