// The executable itself: started with the simulator as COM1, ended by a signal.
#include "simharness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <vector>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Starts the program offscreen with stderr into errFile; returns its pid.
// posix_spawn, not fork: this process has threads, and a forked child may
// only call async-signal-safe functions before exec.
pid_t Launch(const std::string &program, const std::string &errFile) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char *> envp;
    for (auto &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    // Run where the program lies, so only its own folder can offer the resource file.
    const std::string folder = program.substr(0, program.rfind('/'));
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to seconds for the child; returns its exit code, or -1000 if it hangs.
int WaitExit(pid_t pid, double seconds) {
    for (int i = 0; i < int(seconds * 100); i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? int(static_cast<signed char>(WEXITSTATUS(status))) : -2000;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Process, StartsWithSensorAndEndsCleanlyOnSigterm) {
    PortFolder folder; // the child inherits the private port folder
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    const std::string err = folder.path() + "/stderr.txt";
    const pid_t pid = Launch(VTLX_PROGRAM, err);
    ASSERT_GT(pid, 0);

    // Start-up is over once the firmware request has come and been answered.
    for (int i = 0; i < 1000 && sensor.framesReceived().size() < 4; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sensor.framesReceived(), (std::vector<int>{5, 10, 2, 7})) << ReadFile(err);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 10), 0) << ReadFile(err);
}

TEST(Process, MissingResourceFileEndsWithMinusOne) {
    PortFolder folder;
    const std::string copy = folder.path() + "/vortelix-riror";
    std::filesystem::copy_file(VTLX_PROGRAM, copy);
    const std::string err = folder.path() + "/stderr.txt";
    const pid_t pid = Launch(copy, err);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitExit(pid, 10), -1);
    EXPECT_NE(ReadFile(err).find("VORTELIX-Riror14.uir"), std::string::npos) << ReadFile(err);
}

} // namespace
