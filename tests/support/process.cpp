#include "process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// posix_spawn, not fork: the test process has threads, and a forked child may
// only call async-signal-safe functions before exec.
Child Start(const std::vector<std::string> &argv, const std::string &cwd, const std::string &outDir,
            const std::vector<std::string> &env) {
    static int serial = 0;
    Child child;
    const std::string stem = outDir + "/child" + std::to_string(++serial);
    child.out = stem + ".out";
    child.err = stem + ".err";

    std::vector<std::string> all = {"QT_QPA_PLATFORM=offscreen"};
    all.insert(all.end(), env.begin(), env.end());
    for (char **e = environ; *e; ++e) {
        const char *eq = std::strchr(*e, '=');
        const std::string name(*e, eq ? size_t(eq - *e + 1) : std::strlen(*e));
        bool replaced = false;
        for (const std::string &mine : all)
            replaced |= mine.compare(0, name.size(), name) == 0;
        if (!replaced) all.emplace_back(*e);
    }
    std::vector<char *> envp, args;
    for (auto &e : all)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (auto &a : argCopy)
        args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, child.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, child.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (posix_spawn(&child.pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

int WaitExit(const Child &child, double seconds) {
    if (child.pid <= 0) return -1000;
    for (int i = 0; i < int(seconds * 100); i++) {
        int status = 0;
        if (waitpid(child.pid, &status, WNOHANG) == child.pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -2000;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child.pid, SIGKILL);
    waitpid(child.pid, nullptr, 0);
    return -1000;
}

bool StillRunning(const Child &child, double seconds) {
    if (child.pid <= 0) return false;
    for (int i = 0; i < int(seconds * 100); i++) {
        if (waitpid(child.pid, nullptr, WNOHANG) == child.pid) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int Stop(const Child &child, double seconds) {
    if (child.pid > 0) kill(child.pid, SIGTERM);
    return WaitExit(child, seconds);
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
