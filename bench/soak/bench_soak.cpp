// Soak: the program's run loop for a long time at line rate against the paced
// simulator (served on a thread of this process over a pseudo-terminal linked
// as COM1), with a burst of junk bytes written into the line from the sensor's
// side every kJunkEvery seconds (some two hundred replies).
//
//   bench_soak [seconds, default 60] [seconds between junk bursts, default 7.5]
//
// Every 10 s: requests per second in that window (each follows a reply: a
// missing reply ends the loop by time-out), resident memory and whether the
// loop is still active. At the end: the rate against the line-rate bound,
// the memory growth, and how often the set-point and tolerance that go back
// to the sensor strayed from their values before the run. Exit status 1 when
// a window saw no request, the loop ended before Stop, or resident memory
// grew by more than kMaxGrowthMiB.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "ptyline.h"
#include "ptypeer.h"
#include "uiharness.h"

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kBound = 1920.0 / 72.0; // replies/s: request and reply, 36 bytes each
constexpr double kWindow = 10.0;         // seconds between reports
constexpr double kJunkEvery = 7.5;       // default seconds between junk bursts
constexpr double kMaxGrowthMiB = 20.0;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::max(kWindow, std::atof(argv[1])) : 60.0;
    const double junkEvery = argc > 2 ? std::max(0.1, std::atof(argv[2])) : kJunkEvery;
    PortFolder folder;
    if (!StartProgramWindows()) {
        std::fprintf(stderr, "the program's panels cannot be loaded\n");
        return 1;
    }

    sim::Config config; // paced: the line's own rate
    std::string error;
    sim::Sensor sensor(config);
    sim::PtyLine line;
    int stopPipe[2] = {-1, -1};
    if (!sensor.PowerUp(&error) || !line.Open(&error) || pipe(stopPipe) != 0) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    std::mutex lock;
    std::thread serving(
        [&] { sim::Serve(sensor, line, stopPipe[0], sim::MonotonicSeconds, &lock); });
    folder.link(1, line.SlavePath());

    FreshStart();
    InitRS232(1);
    std::printf("start-up status \"%s\"; run for %.0f s, junk every %.1f s\n", szStatus, seconds,
                junkEvery);

    // The bursts come from a thread of their own, at a time that has nothing
    // to do with the loop's pace (a timer of the window would only fire while
    // the loop pumps, which is always between two frames): they land ahead
    // of a reply, inside one, or between two. The period wanders by -10 to
    // +10 %.
    std::atomic<long> bursts{0};
    std::mutex junkLock;
    std::condition_variable junkWake;
    bool junkStop = false;
    std::thread junk([&] {
        std::mt19937 noise(7);
        std::unique_lock<std::mutex> wait(junkLock);
        for (;;) {
            const double pause = junkEvery * (0.9 + (noise() % 1000) / 5000.0);
            if (junkWake.wait_for(wait, std::chrono::duration<double>(pause),
                                  [&] { return junkStop; }))
                return;
            unsigned char bytes[8];
            const int n = 3 + int(noise() % 6);
            for (int i = 0; i < n; i++)
                bytes[i] = static_cast<unsigned char>(noise());
            std::lock_guard<std::mutex> hold(lock);
            if (write(line.MasterFd(), bytes, n) == n) bursts++;
        }
    });

    // The set-point and tolerance come back with every reply and go out with
    // the next request: a reply garbled on the line would carry its words to
    // the sensor. Sampled every 5 ms against their values before the run.
    const unsigned tVal0 = tVal, tTol0 = tTol;
    long samples = 0, offSamples = 0, offEpisodes = 0;
    bool off = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const bool nowOff = tVal != tVal0 || tTol != tTol0;
        samples++;
        if (nowOff) offSamples++;
        if (nowOff && !off) offEpisodes++;
        off = nowOff;
    });
    sampler.start(5);

    const double t0 = Timer(), rss0 = ResidentMiB();
    unsigned frames0 = frameCount;
    double windowStart = t0, minRate = 1e9, maxRate = 0;
    bool stalled = false, endedEarly = false;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const double now = Timer();
        const double rate = (frameCount - frames0) / (now - windowStart);
        stalled = stalled || frameCount == frames0;
        minRate = std::min(minRate, rate);
        maxRate = std::max(maxRate, rate);
        std::printf("  %5.0f s: %6.2f replies/s, resident %.1f MiB, loop %s, junk bursts %ld, "
                    "status \"%s\"\n",
                    now - t0, rate, ResidentMiB(), loopActive ? "active" : "ENDED", bursts.load(),
                    ControlText(pHandle, PANEL_TEXTStatus).c_str());
        std::fflush(stdout);
        frames0 = frameCount;
        windowStart = now;
    });
    report.start(int(kWindow * 1000));
    bool stopped = false;
    QTimer::singleShot(int(seconds * 1000), [&] {
        stopped = true;
        CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    });
    const unsigned sent0 = frameCount;
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    endedEarly = !stopped;
    report.stop();
    {
        std::lock_guard<std::mutex> hold(junkLock);
        junkStop = true;
    }
    junkWake.notify_one();
    junk.join();
    sampler.stop();

    const double wall = Timer() - t0, rss1 = ResidentMiB();
    const double rate = (frameCount - sent0) / wall;
    std::printf("%u replies in %.1f s: %.2f/s, %.3f of the line-rate bound %.2f/s; "
                "windows %.2f..%.2f/s\n",
                frameCount - sent0, wall, rate, rate / kBound, kBound, minRate, maxRate);
    std::printf("resident %.1f MiB at start, %.1f MiB at end (growth %+.1f MiB); %ld junk bursts; "
                "last status \"%s\"\n",
                rss0, rss1, rss1 - rss0, bursts.load(),
                ControlText(pHandle, PANEL_TEXTStatus).c_str());

    CloseCom(com);
    const char c = 'x';
    (void)!write(stopPipe[1], &c, 1);
    serving.join();
    std::printf("set-point %u, tolerance %u before the run; off those values in %ld of %ld "
                "samples (%ld episodes); the sensor holds %u and %u at the end\n",
                tVal0, tTol0, offSamples, samples, offEpisodes, unsigned(sensor.Ram()[8]),
                unsigned(sensor.Ram()[9]));

    bool ok = true;
    if (stalled) ok = false, std::printf("FAIL: a %.0f-s window saw no reply\n", kWindow);
    if (endedEarly) ok = false, std::printf("FAIL: the loop ended before Stop\n");
    if (rss1 - rss0 > kMaxGrowthMiB)
        ok = false, std::printf("FAIL: memory grew by more than %.0f MiB\n", kMaxGrowthMiB);
    return ok ? 0 : 1;
}
