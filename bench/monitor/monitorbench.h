// What the monitor's benchmarks read: the run replies in the simulator's log
// (vortelix-sensorsim --log), and a process's CPU time and memory in /proc.
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Run exchanges per second at 19200 baud: 36 + 36 bytes at 1920 bytes/s.
inline constexpr double LINE_BOUND = 1920.0 / 72.0;

// Stamps of the run replies in the simulator's log (seconds since it started
// serving).
inline std::vector<double> ReplyStamps(const std::string &log) {
    std::vector<double> t;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (line.find("\"dir\":\"tx\",\"kind\":\"reply\",\"code\":8,") != std::string::npos)
            t.push_back(std::atof(line.c_str() + line.find("\"t\":") + 4));
    return t;
}

inline double RepliesPerSecond(const std::vector<double> &t, double from, double to) {
    long n = 0;
    for (double s : t)
        n += s >= from && s < to;
    return static_cast<double>(n) / (to - from);
}

// CPU seconds (user + system) of a process.
inline double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string f;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> f; i++)
        if (i >= 14) ticks += std::atof(f.c_str());
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A figure in KiB of /proc/PID/status: "VmRSS:" (resident now), "VmHWM:"
// (its peak); or of another file of the process that lists figures the same
// way ("smaps_rollup", "Pss:": its share of the pages it shares with others).
// 0 when the process is gone.
inline long StatusKiB(pid_t pid, const std::string &field, const char *file = "status") {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size());
    return 0;
}

inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline void Pause(double s) {
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}
