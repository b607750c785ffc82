// Run-reply exchanges against the paced simulator, through the program's own
// serial service, frames, receive callback and reply wait.
//
// The simulator runs as its own process (vortelix-sensorsim, paced at 19200
// baud), linked as a COM port in a private port folder. For at least the given
// number of seconds (default 10) the PC side sends a run command, waits for
// the reply and sends the next at once, as the run loop does. Printed: the
// exchanges per second, their ratio to the line-rate bound (72 bytes of 10
// bits per exchange at 19200 baud: 26.67 per second), the PC side's CPU share
// of one core, and the simulator's.
#include "com232/com232.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "ptypeer.h"

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kPort = 62;                    // COM62: out of the way of real ports
constexpr double kBound = 19200.0 / 10 / 72; // exchanges per second the line allows

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;

    PortFolder folder; // sets XDG_RUNTIME_DIR, which the simulator inherits
    const std::string link = folder.path() + "/com" + std::to_string(kPort);
    std::string portArg = std::to_string(kPort);
    std::vector<char *> args = {const_cast<char *>(VTLX_SENSORSIM), const_cast<char *>("--com"),
                                portArg.data(), nullptr};
    pid_t sim = -1;
    if (posix_spawn(&sim, VTLX_SENSORSIM, nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", VTLX_SENSORSIM);
        return 1;
    }
    struct stat st {};
    for (int i = 0; i < 500 && lstat(link.c_str(), &st) != 0; ++i)
        Delay(0.01);

    com = kPort;
    SyncWord() = 0x55;
    if (OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096) != 0) {
        std::fprintf(stderr, "cannot open COM%d\n", kPort);
        kill(sim, SIGTERM);
        return 1;
    }
    SetComTime(kPort, 2.0);
    InstallComCallback(kPort, eventMask, FRAMELEN, 0x55, RX_Receive_Function, nullptr);

    // The request carries a settings set, as the run loop's does.
    const u16 settings[PNUM] = {500, 0, 512, 0, 1, 2, 1, 8192, 1802, 164, 0, 1, 998, 30000, 1, 0};
    long exchanges = 0, timeouts = 0;
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const double t0 = Timer();
    while (Timer() - t0 < seconds) {
        std::copy(settings, settings + PNUM, pp);
        SendCommand(8, 0);
        if (WaitReply(TIMEOUT, nullptr, 0) == 1)
            ++exchanges;
        else
            ++timeouts;
    }
    const double wall = Timer() - t0;
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    CloseCom(kPort);

    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    const double simCpu = CpuSeconds(RUSAGE_CHILDREN);

    const double rate = exchanges / wall;
    std::printf("run exchanges against the paced simulator: %ld in %.2f s (%ld time-outs)\n",
                exchanges, wall, timeouts);
    std::printf("  %.2f exchanges/s, %.3f of the line-rate bound %.2f/s (goal >= 0.97)\n", rate,
                rate / kBound, kBound);
    std::printf("  PC side CPU %.2f%% of one core (goal < 10%%); simulator CPU %.2f%%\n",
                100 * cpu / wall, 100 * simCpu / wall);
    return timeouts == 0 ? 0 : 1;
}
