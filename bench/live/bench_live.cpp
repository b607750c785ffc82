// Live measurement against the paced simulator: the program's run loop and
// video loop, in process, with the simulator as its own process
// (vortelix-sensorsim at 19200 baud) linked as COM1 in a private port folder,
// in each way the line can deliver the sensor's bytes; and beside them the
// plain blocking client (bench_plain) on the same line.
//
//   bench_live [seconds] [modes] [deliveries]
//     seconds     per mode and delivery, default 10
//     modes       default run,video,video256,plain
//     deliveries  default uart,whole,usb:1,usb:16 (the simulator's --delivery)
//
// For each program mode the start-up chain identifies the sensor, then the
// loop is started by its button's callback and stopped by Stop after the
// given time. Printed per mode and delivery:
// - replies (run, plain) or frames (video) per second, from the simulator's
//   stamps of the run replies written between the first and the last before
//   Stop (one per frame in video), their ratio to the line-rate bound (bytes on the line at 1920
//   bytes/s) and to the delivery bound (what a client that sends the next request the moment the
//   last byte is delivered gets, from the simulator's own line model), and in run mode the ratio to
//   the plain client's rate in the same delivery;
// - run and plain: how long after the simulator wrote a reply's last byte it
//   was taken (the program: the receive callback set rx_flag; the plain
//   client: read() returned), matched in order with the "written" stamps of
//   the simulator's log, p50, p99 and maximum;
// - program modes: the lateness of a 1 ms timer re-armed at each fire on the
//   user-interface thread, which shows how long events went unpumped;
// - the CPU share of one core (the program: getrusage of this process; the
//   simulator, a child, is not counted), resident memory at the start and end
//   of the loop (and once a minute in long runs), the load average.
// Then the whole as two tables.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "settings/riror14.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "options.h"
#include "ptypeer.h"
#include "sensor.h"
#include "uiharness.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
constexpr double kProbePeriod = 0.001;         // s: the lateness probe's timer
constexpr int kRunCode = 8;                    // the measurement request

struct Mode {
    const char *name;  // on the command line
    const char *model; // simulator preset
    bool video;        // video loop rather than run loop
    bool plain;        // the plain client rather than the program
    int bytesPerCycle; // bytes on the line per reply (run) or frame (video)
};

const Mode kModes[] = {
    {"run", "t1", false, false, 36 + 36},              // request and reply
    {"video", "t1", true, false, 72 + 4 * (36 + 128)}, // board 100: four 64-word blocks
    {"video256", "t101", true, false, 72 + 36 + 512},  // board 400: one 256-word block
    {"plain", "t1", false, true, 36 + 36},             // the plain client's run exchange
};

struct Stats {
    std::size_t n = 0;
    double p50 = 0, p99 = 0, max = 0; // ms
};

struct Result {
    const Mode *mode = nullptr;
    std::string delivery;
    bool ok = false;
    double rate = 0;  // replies or frames per second
    double bound = 0; // line-rate bound
    double ideal = 0; // delivery bound
    double cpu = 0;   // share of one core
    Stats latency;    // reply taken after its last byte was written (run, plain)
    Stats lateness;   // of the 1 ms timer (program modes)
    std::string note; // why a figure is missing
};

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
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

double Monotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// Median, 99th percentile (nearest rank) and maximum of seconds, in ms.
Stats Summarise(std::vector<double> v) {
    Stats s;
    s.n = v.size();
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto rank = [&](double q) { return v[std::min(v.size() - 1, std::size_t(q * v.size()))]; };
    s.p50 = 1000 * rank(0.5);
    s.p99 = 1000 * rank(0.99);
    s.max = 1000 * v.back();
    return s;
}

// The delivery bound: run or video cycles of a client that sends each
// request the moment the last byte it waits for is handed out, on the
// simulator's own line model, per second.
double DeliveryBound(const Mode &mode, const std::string &delivery) {
    sim::Options o;
    std::string error;
    if (!sim::ParseOptions({"--model", mode.model, "--delivery", delivery}, &o, &error)) return 0;
    sim::Sensor sensor(o.config);
    sensor.PowerUp(&error);
    double t = 0;
    auto exchange = [&](int code, sim::u16 first, std::size_t bytes) {
        std::uint8_t frame[sim::kFrameLen] = {0x00, 0x55, 0x00, std::uint8_t(code)};
        sim::PutWord(frame + 4, first);
        sensor.Receive(frame, sizeof frame, t);
        std::vector<std::uint8_t> out;
        while (out.size() < bytes && std::isfinite(sensor.NextDue())) {
            t = sensor.NextDue();
            sensor.TakeDue(t, out);
        }
    };
    const int cycles = 20;
    for (int i = 0; i < cycles; ++i) {
        exchange(kRunCode, 0, 36);
        if (mode.video && o.config.model.id.pcbtype == 400) exchange(sim::kBlock256OrReset, 0, 512);
        if (mode.video && o.config.model.id.pcbtype != 400)
            for (int first = 0; first < 256; first += 64)
                exchange(sim::kBlock64, sim::u16(first), 128);
    }
    return cycles / t;
}

// The simulator's "written" stamps (monotonic seconds) of run replies at or
// after since, in order.
std::vector<double> WrittenRunReplies(const std::string &log, double since) {
    std::vector<double> out;
    std::ifstream in(log);
    const std::string tag = "\"kind\":\"written\",\"code\":" + std::to_string(kRunCode) + ",";
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("\"mono\":");
        if (line.find(tag) == std::string::npos || at == std::string::npos) continue;
        const double mono = std::atof(line.c_str() + at + 7);
        if (mono >= since) out.push_back(mono);
    }
    return out;
}

// Cycles per second from the stamps of successive run replies written: one
// run reply per exchange (run, plain) or per frame (video). Taken between the
// first and the last reply, so the start of the loop and a frame cut by Stop
// do not count.
double CycleRate(const std::vector<double> &written) {
    if (written.size() < 2) return 0;
    return (written.size() - 1) / (written.back() - written.front());
}

// Matches the moments replies were taken with the stamps of their last byte
// written, in order. A reply taken before its own last byte was written
// means the two lists are out of step: no figures then.
bool Latencies(const std::vector<double> &taken, const std::vector<double> &written, Stats *stats,
               std::string *note) {
    if (taken.empty() || written.size() < taken.size() || written.size() > taken.size() + 1) {
        *note = "latency: " + std::to_string(taken.size()) + " replies taken, " +
                std::to_string(written.size()) +
                " written: cannot match (did the loop put a receive callback of its own in?)";
        return false;
    }
    std::vector<double> lag;
    for (std::size_t i = 0; i < taken.size(); ++i) {
        if (taken[i] < written[i] - 1e-4) {
            *note = "latency: reply " + std::to_string(i) + " taken before it was written";
            return false;
        }
        lag.push_back(taken[i] - written[i]);
    }
    *stats = Summarise(lag);
    return true;
}

// A vortelix-sensorsim process on COM1 of the port folder.
class Simulator {
  public:
    Simulator(const Mode &mode, const std::string &delivery, PortFolder &folder)
        : link_(folder.path() + "/com1") {
        char name[] = "/tmp/vtlx-benchlive-XXXXXX";
        close(mkstemp(name));
        log_ = name;
        std::vector<std::string> args = {VTLX_SENSORSIM, "--com",  "1",     "--model", mode.model,
                                         "--delivery",   delivery, "--log", log_};
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, VTLX_SENSORSIM, nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return;
        }
        struct stat st {};
        for (int i = 0; i < 500 && lstat(link_.c_str(), &st) != 0; ++i)
            Delay(0.01);
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::remove(log_.c_str());
    }
    bool ok() const { return pid_ > 0; }
    const std::string &link() const { return link_; }
    const std::string &log() const { return log_; }

  private:
    pid_t pid_ = -1;
    std::string link_, log_;
};

// The receive callback of the run mode: the program's own, and the moment
// (monotonic) each reply was taken.
std::vector<double> gTaken;
double gTimerToMonotonic = 0; // Timer() + this = the monotonic clock

void TimedReceive(int port, int events, void *data) {
    const int before = rx_flag;
    RX_Receive_Function(port, events, data);
    if (before != 1 && rx_flag == 1) gTaken.push_back(Timer() + gTimerToMonotonic);
}

// A 1 ms single-shot timer re-armed at each fire on the user-interface
// thread; how late each fire comes shows how long events went unpumped.
class LatenessProbe {
  public:
    LatenessProbe() {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            late_.push_back(Timer() - due_);
            Arm();
        });
    }
    void Start() { Arm(); }
    void Stop() { timer_.stop(); }
    const std::vector<double> &late() const { return late_; }

  private:
    void Arm() {
        due_ = Timer() + kProbePeriod;
        timer_.start(int(kProbePeriod * 1000));
    }
    QTimer timer_;
    double due_ = 0;
    std::vector<double> late_;
};

Result RunPlain(const Mode &mode, const std::string &delivery, double seconds, PortFolder &folder) {
    Result r;
    r.mode = &mode;
    r.delivery = delivery;
    Simulator sim(mode, delivery, folder);
    if (!sim.ok()) {
        r.note = "cannot start the simulator";
        return r;
    }
    char times[] = "/tmp/vtlx-benchplain-XXXXXX";
    close(mkstemp(times));
    int out[2];
    if (pipe(out) != 0) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    std::string secs = std::to_string(seconds);
    std::vector<std::string> args = {VTLX_PLAIN, sim.link(), secs, times};
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, VTLX_PLAIN, &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; spawned == 0 && (n = read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, std::size_t(n));
    close(out[0]);
    int status = 0;
    rusage use{};
    if (spawned == 0) wait4(pid, &status, 0, &use);
    unsigned long count = 0;
    double wall = 0;
    if (spawned != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lu replies in %lf s", &count, &wall) != 2 || wall <= 0) {
        r.note = "the plain client failed: " + text;
        std::remove(times);
        return r;
    }
    r.ok = true;
    const auto written = WrittenRunReplies(sim.log(), 0);
    r.rate = CycleRate(written);
    r.bound = kLineBytesPerSecond / mode.bytesPerCycle;
    r.ideal = DeliveryBound(mode, delivery);
    r.cpu = (use.ru_utime.tv_sec + use.ru_stime.tv_sec +
             (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6) /
            wall;
    std::vector<double> taken;
    std::ifstream in(times);
    for (double t; in >> t;)
        taken.push_back(t);
    std::remove(times);
    Latencies(taken, written, &r.latency, &r.note);
    std::printf("%s, %s: %s", mode.name, delivery.c_str(), text.c_str());
    std::fflush(stdout);
    return r;
}

Result RunProgram(const Mode &mode, const std::string &delivery, double seconds, PortFolder &folder,
                  bool probe) {
    Result r;
    r.mode = &mode;
    r.delivery = delivery;
    Simulator sim(mode, delivery, folder);
    if (!sim.ok()) {
        r.note = "cannot start the simulator";
        return r;
    }
    FreshStart();
    InitRS232(1);
    std::printf("%s, %s: model %s, pcbtype %u, start-up status \"%s\"\n", mode.name,
                delivery.c_str(), mode.model, unsigned(pcbtype), szStatus);

    // From here on each reply taken is timed (run mode; the video loop puts
    // its own callback back between blocks).
    gTaken.clear();
    gTimerToMonotonic = Monotonic() - Timer();
    const double since = Monotonic();
    if (!mode.video)
        InstallComCallback(com, eventMask, FRAMELEN, SyncWord(), TimedReceive, nullptr);

    r.bound = kLineBytesPerSecond / mode.bytesPerCycle;
    r.ideal = DeliveryBound(mode, delivery);
    const double rss0 = ResidentMiB();
    const std::string load0 = LoadAverage();
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const double t0 = Timer();

    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, [&] {
        std::printf("  after %4.0f s: resident %.1f MiB, load %s\n", Timer() - t0, ResidentMiB(),
                    LoadAverage().c_str());
        std::fflush(stdout);
    });
    minute.start(60000);
    LatenessProbe lateness;
    if (probe) lateness.Start();
    // Stop is pressed on a precise timer (a coarse one may fire 5 % late);
    // in0 is the sensor's measurement count, so the last reply taken tells
    // how many replies (run) or frames (video) the loop took by then.
    double stopAt = 0;
    unsigned takenAtStop = 0;
    QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, [&] {
        stopAt = Timer();
        takenAtStop = in0;
        CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    });
    if (mode.video)
        CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0);
    else
        CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    lateness.Stop();
    minute.stop();

    const double ended = Timer();
    const double wall = ended - t0;
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    const double rss1 = ResidentMiB();
    r.ok = stopAt > 0;
    if (!r.ok) r.note = "the loop ended before Stop";
    auto written = WrittenRunReplies(sim.log(), since);
    while (!written.empty() && written.back() > stopAt + gTimerToMonotonic)
        written.pop_back();
    r.rate = CycleRate(written);
    r.cpu = cpu / wall;
    r.lateness = Summarise(lateness.late());
    if (!mode.video) Latencies(gTaken, WrittenRunReplies(sim.log(), since), &r.latency, &r.note);
    std::printf("  %u %s in %.2f s to Stop, the loop ended %.0f ms after it; between the "
                "first and the last: %.3f/s,\n  %.3f of the line-rate bound %.3f/s, %.3f of the "
                "delivery bound %.3f/s\n",
                takenAtStop, mode.video ? "frames" : "replies", stopAt - t0,
                1000 * (ended - stopAt), r.rate, r.rate / r.bound, r.bound, r.rate / r.ideal,
                r.ideal);
    std::printf("  CPU %.2f%% of one core (goal < 10%%); resident %.1f MiB at start, %.1f MiB "
                "at end\n",
                100 * r.cpu, rss0, rss1);
    std::printf("  load average before %s, after %s; last status \"%s\"\n", load0.c_str(),
                LoadAverage().c_str(), ControlText(pHandle, PANEL_TEXTStatus).c_str());
    if (!r.note.empty()) std::printf("  %s\n", r.note.c_str());
    std::fflush(stdout);

    CloseCom(com);
    return r;
}

std::string Figures(const Stats &s) {
    if (s.n == 0) return "-";
    char b[64];
    std::snprintf(b, sizeof b, "%.2f / %.2f / %.1f", s.p50, s.p99, s.max);
    return b;
}

void PrintTables(const std::vector<Result> &results) {
    auto plainRate = [&](const std::string &delivery) {
        for (const Result &r : results)
            if (r.ok && r.mode->plain && r.delivery == delivery) return r.rate;
        return 0.0;
    };
    std::printf("\nRates (line bound: bytes on the line at 1920/s; delivery bound: the same "
                "exchanges with\nthe next request sent the moment the last byte is handed "
                "out)\n\n");
    std::printf("%-9s %-9s %9s %7s %6s %8s %6s %9s %6s\n", "delivery", "mode", "rate/s", "line",
                "ratio", "delivery", "ratio", "plain/s", "ratio");
    for (const Result &r : results) {
        if (!r.ok) {
            std::printf("%-9s %-9s failed: %s\n", r.delivery.c_str(), r.mode->name, r.note.c_str());
            continue;
        }
        const double plain = r.mode->video || r.mode->plain ? 0 : plainRate(r.delivery);
        char vsPlain[32] = "-", plainText[32] = "-";
        if (plain > 0) {
            std::snprintf(plainText, sizeof plainText, "%.2f", plain);
            std::snprintf(vsPlain, sizeof vsPlain, "%.3f", r.rate / plain);
        }
        std::printf("%-9s %-9s %9.2f %7.2f %6.3f %8.2f %6.3f %9s %6s\n", r.delivery.c_str(),
                    r.mode->name, r.rate, r.bound, r.rate / r.bound, r.ideal, r.rate / r.ideal,
                    plainText, vsPlain);
    }
    std::printf("\nReply taken after its last byte was written; 1 ms timer lateness "
                "(ms: p50 / p99 / max)\n\n");
    std::printf("%-9s %-9s %-24s %-24s %6s\n", "delivery", "mode", "reply taken after",
                "timer lateness", "CPU%");
    for (const Result &r : results) {
        if (!r.ok) continue;
        std::printf("%-9s %-9s %-24s %-24s %6.2f\n", r.delivery.c_str(), r.mode->name,
                    Figures(r.latency).c_str(), Figures(r.lateness).c_str(), 100 * r.cpu);
    }
    std::fflush(stdout);
}

std::vector<std::string> Split(const std::string &s) {
    std::vector<std::string> out;
    std::stringstream list(s);
    for (std::string item; std::getline(list, item, ',');)
        out.push_back(item);
    return out;
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
    const auto wanted = Split(argc > 2 ? argv[2] : "run,video,video256,plain");
    const auto deliveries = Split(argc > 3 ? argv[3] : "uart,whole,usb:1,usb:16");
    std::vector<const Mode *> modes;
    for (const std::string &name : wanted) {
        const Mode *mode = nullptr;
        for (const Mode &m : kModes)
            if (name == m.name) mode = &m;
        if (!mode) {
            std::fprintf(stderr, "unknown mode %s (run, video, video256, plain)\n", name.c_str());
            return 2;
        }
        modes.push_back(mode);
    }
    for (const std::string &d : deliveries) {
        sim::Config probe;
        if (!sim::ParseDelivery(d, &probe)) {
            std::fprintf(stderr, "unknown delivery %s (uart, whole, usb, usb:N)\n", d.c_str());
            return 2;
        }
    }
    PortFolder folder; // sets XDG_RUNTIME_DIR, which the simulator inherits
    if (!StartProgramWindows()) {
        std::fprintf(stderr, "the program's panels cannot be loaded\n");
        return 1;
    }
    // The plain client goes first in each delivery, so that the program's
    // rate can be set beside it.
    std::stable_partition(modes.begin(), modes.end(), [](const Mode *m) { return m->plain; });
    const bool probe = std::getenv("VTLX_BENCH_NO_PROBE") == nullptr;
    std::vector<Result> results;
    for (const std::string &delivery : deliveries)
        for (const Mode *mode : modes)
            results.push_back(mode->plain ? RunPlain(*mode, delivery, seconds, folder)
                                          : RunProgram(*mode, delivery, seconds, folder, probe));
    PrintTables(results);
    bool ok = true;
    for (const Result &r : results)
        ok = ok && r.ok;
    return ok ? 0 : 1;
}
