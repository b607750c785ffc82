// Live measurement against the paced simulator: the program's run loop and
// video loop, in process, with the simulator as its own process
// (vortelix-sensorsim at 19200 baud) linked as COM1 in a private port folder.
//
//   bench_live [seconds per mode, default 20] [modes, default run,video,video256]
//
// For each mode the start-up chain identifies the sensor, then the loop is
// started by its button's callback and stopped by Stop after the given time.
// Printed: replies (run) or frames (video) per second and their ratio to the
// line-rate bound, the program's CPU share of one core (the simulator is a
// child process and not counted), and its resident memory at the start and
// the end of the loop, plus once a minute during long runs.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "main/controls.h"
#include "main/live.h"
#include "main/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "ptypeer.h"
#include "uiharness.h"

#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr double kLineBytesPerSecond = 1920.0; // 19200 baud, 10 bits a byte

struct Mode {
    const char *name;  // on the command line
    const char *model; // simulator preset
    bool video;        // video loop rather than run loop
    int bytesPerCycle; // bytes on the line per reply (run) or frame (video)
};

const Mode kModes[] = {
    {"run", "t1", false, 36 + 36},              // request and reply
    {"video", "t1", true, 72 + 4 * (36 + 128)}, // board 100: four 64-word blocks
    {"video256", "t101", true, 72 + 36 + 512},  // board 400: one 256-word block
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

bool RunMode(const Mode &mode, double seconds, PortFolder &folder) {
    const std::string link = folder.path() + "/com1";
    std::vector<char *> args = {
        const_cast<char *>(VTLX_SENSORSIM), const_cast<char *>("--com"),    const_cast<char *>("1"),
        const_cast<char *>("--model"),      const_cast<char *>(mode.model), nullptr};
    pid_t sim = -1;
    if (posix_spawn(&sim, VTLX_SENSORSIM, nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", VTLX_SENSORSIM);
        return false;
    }
    struct stat st {};
    for (int i = 0; i < 500 && lstat(link.c_str(), &st) != 0; ++i)
        Delay(0.01);

    FreshStart();
    InitRS232(1);
    std::printf("%s: model %s, pcbtype %u, start-up status \"%s\"\n", mode.name, mode.model,
                unsigned(pcbtype), szStatus);

    const double bound = kLineBytesPerSecond / mode.bytesPerCycle;
    const double rss0 = ResidentMiB();
    const std::string load0 = LoadAverage();
    const double cpu0 = CpuSeconds();
    const double t0 = Timer();

    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, [&] {
        std::printf("  after %4.0f s: resident %.1f MiB, load %s\n", Timer() - t0, ResidentMiB(),
                    LoadAverage().c_str());
        std::fflush(stdout);
    });
    minute.start(60000);
    QTimer::singleShot(int(seconds * 1000),
                       [] { CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0); });
    if (mode.video)
        CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
    else
        CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    minute.stop();

    const double wall = Timer() - t0;
    const double cpu = CpuSeconds() - cpu0;
    const double rss1 = ResidentMiB();
    // in0 is the sensor's measurement count: the last reply taken tells how
    // many replies (run) or frames (video) the loop took.
    const double cycles = in0;
    const double rate = cycles / wall;
    std::printf("  %.0f %s in %.2f s: %.2f/s, %.3f of the line-rate bound %.3f/s (goal >= 0.95)\n",
                cycles, mode.video ? "frames" : "replies", wall, rate, rate / bound, bound);
    std::printf("  CPU %.2f%% of one core (goal < 10%%); resident %.1f MiB at start, %.1f MiB "
                "at end\n",
                100 * cpu / wall, rss0, rss1);
    std::printf("  load average before %s, after %s; last status \"%s\"\n", load0.c_str(),
                LoadAverage().c_str(), ControlText(pHandle, PANEL_TEXTStatus).c_str());
    std::fflush(stdout);

    CloseCom(com);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 20.0;
    const std::string wanted = argc > 2 ? argv[2] : "run,video,video256";
    PortFolder folder; // sets XDG_RUNTIME_DIR, which the simulator inherits
    if (!StartProgramWindows()) {
        std::fprintf(stderr, "the program's panels cannot be loaded\n");
        return 1;
    }
    std::stringstream list(wanted);
    std::string name;
    bool ok = true;
    while (std::getline(list, name, ',')) {
        const Mode *mode = nullptr;
        for (const Mode &m : kModes)
            if (name == m.name) mode = &m;
        if (!mode) {
            std::fprintf(stderr, "unknown mode %s (run, video, video256)\n", name.c_str());
            return 2;
        }
        ok = RunMode(*mode, seconds, folder) && ok;
    }
    return ok ? 0 : 1;
}
