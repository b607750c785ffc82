// Recording against the paced simulator at 19200 baud (served on a thread of
// this process over a pseudo-terminal linked as COM1).
//
//   bench_record [seconds per turn, default 20] [turns, default 2] [delivery, default uart]
//   bench_record soak [seconds, default 1800]
//
// Turns: the run loop without a recording, then with one, `turns` times
// each; for each turn the replies per second against the line-rate bound and
// the CPU time of the program's thread (the user-interface thread, where the
// loop, the recorder and the statistics run) per second of run. The delivery
// is the simulator's --delivery (uart, whole, usb:N); the bound stays the
// line's, which the usb deliveries' latency keeps the loop below.
//
// Soak: one recording over one long run. Every 60 s the rate, the rows and
// resident memory. At the end the file is checked against the simulator's
// log: every row is a run reply the simulator sent, with its words, in order,
// none missing but one that Stop overtook. Exit status 1 when a row is
// missing or wrong, or resident memory grew by more than kMaxGrowthMiB.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "ptyline.h"
#include "ptypeer.h"
#include "recording/recorder.h"
#include "gui/recordpanel.h"
#include "options.h"
#include "uiharness.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kBound = 1920.0 / 72.0; // replies/s: request and reply, 36 bytes each
constexpr double kMaxGrowthMiB = 20.0;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double ThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Turn {
    double rate, cpu; // replies/s; CPU seconds per second of run
};

// One run of the loop for the given seconds; every `every` seconds (0: never)
// calls report.
Turn RunFor(double seconds, double every = 0, std::function<void(double)> report = {}) {
    QTimer reporter;
    const double t0 = Timer();
    if (every > 0) {
        QObject::connect(&reporter, &QTimer::timeout, [&] { report(Timer() - t0); });
        reporter.start(int(every * 1000));
    }
    QTimer::singleShot(int(seconds * 1000),
                       [] { CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0); });
    const unsigned frames0 = frameCount;
    const double cpu0 = ThreadCpu();
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    const double wall = Timer() - t0;
    return {(frameCount - frames0) / wall, (ThreadCpu() - cpu0) / wall};
}

// Run replies of the simulator's log, by their measurement count (word 13).
std::map<long, std::vector<long>> LoggedReplies(const std::string &path) {
    std::map<long, std::vector<long>> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"dir\":\"tx\",\"kind\":\"reply\",\"code\":8,") == std::string::npos)
            continue;
        std::vector<long> words;
        for (const char *p = std::strstr(line.c_str(), "\"words\":[") + 9; *p && *p != ']';) {
            char *end = nullptr;
            words.push_back(std::strtol(p, &end, 10));
            p = *end == ',' ? end + 1 : end;
        }
        if (words.size() == 16) out[words[13]] = words;
    }
    return out;
}

} // namespace

int main(int argc, char **argv) {
    const bool soak = argc > 1 && std::strcmp(argv[1], "soak") == 0;
    const double seconds =
        soak ? (argc > 2 ? std::atof(argv[2]) : 1800.0) : (argc > 1 ? std::atof(argv[1]) : 20.0);
    const int turns = !soak && argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    PortFolder folder;
    if (!StartProgramWindows()) {
        std::fprintf(stderr, "the program's panels cannot be loaded\n");
        return 1;
    }

    const std::string logPath = "/tmp/vtlx-bench-record-" + std::to_string(getpid()) + ".jsonl";
    const std::string csvPath = "/tmp/vtlx-bench-record-" + std::to_string(getpid()) + ".csv";
    std::ofstream log(logPath);
    sim::Config config; // paced: the line's own rate
    if (!soak && argc > 3 && !sim::ParseDelivery(argv[3], &config)) {
        std::fprintf(stderr, "unknown delivery %s (uart, whole, usb or usb:N)\n", argv[3]);
        return 2;
    }
    std::string error;
    sim::Sensor sensor(config);
    sensor.SetLog(&log);
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
    StartRecordingPanel();
    InitRS232(1);
    std::printf("start-up status \"%s\"; delivery %s; line-rate bound %.2f replies/s\n", szStatus,
                sim::DeliveryName(config).c_str(), kBound);
    auto record = [&] {
        SetFileSelectAnswer(csvPath.c_str());
        CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0);
    };
    auto stopRecording = [&] {
        CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0);
    };

    bool ok = true;
    if (!soak) {
        std::vector<Turn> off, on;
        for (int i = 0; i < turns; i++) {
            off.push_back(RunFor(seconds));
            std::printf("  without recording: %6.2f replies/s (%.3f of the bound), CPU %.2f %%\n",
                        off.back().rate, off.back().rate / kBound, 100 * off.back().cpu);
            record();
            on.push_back(RunFor(seconds));
            stopRecording();
            std::printf("  with recording:    %6.2f replies/s (%.3f of the bound), CPU %.2f %%, "
                        "%ld rows\n",
                        on.back().rate, on.back().rate / kBound, 100 * on.back().cpu,
                        RecordingRows());
            std::fflush(stdout);
        }
        auto mean = [](const std::vector<Turn> &t, double Turn::*f) {
            double s = 0;
            for (const Turn &x : t)
                s += x.*f;
            return s / t.size();
        };
        const double rOff = mean(off, &Turn::rate), rOn = mean(on, &Turn::rate);
        const double cOff = mean(off, &Turn::cpu), cOn = mean(on, &Turn::cpu);
        std::printf("mean of %d turns of %.0f s: %.2f replies/s without, %.2f with recording "
                    "(ratio %.3f; %.3f of the bound); program thread CPU %.2f %% without, "
                    "%.2f %% with (added %+.2f %% of a core)\n",
                    turns, seconds, rOff, rOn, rOn / rOff, rOn / kBound, 100 * cOff, 100 * cOn,
                    100 * (cOn - cOff));
    } else {
        record();
        const double rss0 = ResidentMiB();
        unsigned frames0 = frameCount;
        double last = 0;
        const Turn t = RunFor(seconds, 60, [&](double at) {
            std::printf("  %5.0f s: %6.2f replies/s, %ld rows, resident %.1f MiB, %s\n", at,
                        (frameCount - frames0) / (at - last), RecordingRows(), ResidentMiB(),
                        RecordingActive() ? "recording" : "NOT RECORDING");
            std::fflush(stdout);
            frames0 = frameCount;
            last = at;
        });
        const double rss1 = ResidentMiB();
        stopRecording();
        std::printf("%.0f s: %.2f replies/s (%.3f of the bound), program thread CPU %.2f %%; "
                    "resident %.1f MiB at start, %.1f MiB at end (growth %+.1f MiB)\n",
                    seconds, t.rate, t.rate / kBound, 100 * t.cpu, rss0, rss1, rss1 - rss0);
        if (rss1 - rss0 > kMaxGrowthMiB)
            ok = false, std::printf("FAIL: memory grew by more than %.0f MiB\n", kMaxGrowthMiB);
    }

    CloseCom(com);
    const char c = 'x';
    (void)!write(stopPipe[1], &c, 1);
    serving.join();
    log.flush();

    if (soak) {
        // The file against the simulator's log.
        const auto replies = LoggedReplies(logPath);
        std::ifstream csv(csvPath);
        std::string row;
        std::getline(csv, row);
        long rows = 0, wrong = 0, prev = -1, gaps = 0;
        while (std::getline(csv, row)) {
            std::vector<long> f;
            std::stringstream s(row);
            for (std::string field; std::getline(s, field, ',');)
                f.push_back(std::strtol(field.c_str(), nullptr, 10));
            rows++;
            if (f.size() < 16) {
                wrong++;
                continue;
            }
            // Columns 3.. hold Ledge, Redge, Mvalue, um, tVal, tTol, edcnt,
            // mvstart, mvend, dynpower, anaMax, anaMin, in0.
            const long in0 = f[15];
            const auto r = replies.find(in0);
            const long expect[] = {0, 1, 2, -1, 5, 6, 7, 8, 9, 10, 11, 12, 13};
            bool same = r != replies.end();
            for (int k = 0; same && k < 13; k++)
                if (expect[k] >= 0) same = f[3 + k] == r->second[expect[k]];
            if (!same) wrong++;
            if (prev >= 0 && in0 != ((prev + 1) & 0xFFFF)) gaps++;
            prev = in0;
        }
        std::printf("file: %ld rows; simulator: %zu run replies; %ld rows not a reply of the log, "
                    "%ld gaps in the measurement count\n",
                    rows, replies.size(), wrong, gaps);
        if (wrong || gaps || long(replies.size()) - rows > 1 || rows > long(replies.size()))
            ok = false, std::printf("FAIL: the file is not one row per reply\n");
    }
    std::remove(logPath.c_str());
    std::remove(csvPath.c_str());
    return ok ? 0 : 1;
}
