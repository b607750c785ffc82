// A gateway of many lines: one simulator per line (vortelix-sensorsim, paced
// at 19200 baud, COM1 to COMn in one private port folder), one mosquitto
// broker and one vortelix-monitor per port, each a process of its own.
//
//   bench_fleet [seconds] [lines] [alone] [delivery]
//     seconds  measured with every line running, default 60
//     lines    default 16
//     alone    seconds line 1 is first measured on its own, default 20
//     delivery how the simulators hand their bytes on: uart (byte by byte,
//              the default), whole (each reply at once) or usb (packets)
//
// A line's bound is the rate one sensor reaches on its own on this machine:
// line 1 with its monitor and nothing else of the benchmark running, measured
// first (printed beside the line-rate bound, 36 + 36 bytes at 1920 bytes/s,
// 26.67/s). Printed per line, over the measured span (after 3 s of start-up):
// - replies per second from its simulator's stamps of the run replies, and
//   the share of the bound;
// - the measurements the reader (QoS 1, one for all lines) got, by sequence
//   number, against the replies the simulator sent, after every monitor was
//   stopped;
// - its monitor's CPU share of one core (user + system, /proc/PID/stat),
//   resident memory and its peak (VmRSS, VmHWM) before the stop, and its
//   proportional share (Pss: the pages of Qt and the other libraries the
//   monitors share counted once among them, which VmRSS counts in each);
// then the same in all, the simulators' CPU share (a real gateway does not
// carry it) and the load average.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "broker.h"
#include "monitorbench.h"
#include "process.h"
#include "ptypeer.h"

namespace {

std::string delivery = "uart"; // the simulators' --delivery

struct Line {
    std::string log, base;
    Child sim, monitor;
    double t0 = 0, cpu0 = 0; // at the start of the span
    double rate = 0, cpu = 0;
    long rss = 0, peak = 0, pss = 0, published = 0, replies = 0;
    int exit = 0;
};

struct Fleet {
    std::vector<Line> lines;
    double simCpu = 0; // share of one core, all simulators
    std::string load0, load1;
};

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one;
}

// Runs count lines for seconds, topics under prefix; empty on a broker that
// does not serve.
Fleet Run(int count, double seconds, const std::string &dir, const std::string &prefix) {
    Fleet f;
    Broker broker;
    if (const std::string problem = broker.problem(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return f;
    }
    MqttReader reader(broker.port(), prefix + "/#");
    reader.connected();
    f.lines.resize(static_cast<std::size_t>(count));
    for (int n = 1; n <= count; n++) {
        Line &l = f.lines[n - 1];
        l.log = dir + "/" + prefix + std::to_string(n) + ".jsonl";
        l.base = prefix + "/line" + std::to_string(n);
        l.sim = Start(
            {VTLX_SENSORSIM, "--com", std::to_string(n), "--log", l.log, "--delivery", delivery},
            dir, dir);
    }
    Pause(0.5);
    for (int n = 1; n <= count; n++)
        f.lines[n - 1].monitor = Start({VTLX_MONITOR, "--port", std::to_string(n), "--broker",
                                        broker.url(), "--topic", f.lines[n - 1].base},
                                       dir, dir);
    const auto everyLine = [&](const std::vector<MqttMessage> &all) {
        std::set<std::string> measuring;
        for (const MqttMessage &m : all)
            if (m.topic.ends_with("/measurement")) measuring.insert(m.topic);
        return measuring.size() == static_cast<std::size_t>(count);
    };
    if (!reader.waitFor(everyLine, 60)) std::fprintf(stderr, "not every line measures\n");
    Pause(3.0);

    f.load0 = LoadAverage();
    double sim0 = 0;
    for (Line &l : f.lines) {
        const std::vector<double> t = ReplyStamps(l.log);
        l.t0 = t.empty() ? 0 : t.back();
        l.cpu0 = CpuSeconds(l.monitor.pid);
        sim0 += CpuSeconds(l.sim.pid);
    }
    const double wall0 = Now();
    Pause(seconds);
    const double wall = Now() - wall0;
    double sim1 = 0;
    for (Line &l : f.lines) {
        l.cpu = (CpuSeconds(l.monitor.pid) - l.cpu0) / wall;
        l.rss = StatusKiB(l.monitor.pid, "VmRSS:");
        l.peak = StatusKiB(l.monitor.pid, "VmHWM:");
        l.pss = StatusKiB(l.monitor.pid, "Pss:", "smaps_rollup");
        sim1 += CpuSeconds(l.sim.pid);
        const std::vector<double> t = ReplyStamps(l.log);
        l.rate = t.empty() ? 0 : RepliesPerSecond(t, l.t0, t.back());
    }
    f.simCpu = (sim1 - sim0) / wall;
    f.load1 = LoadAverage();

    // Every monitor stopped at once, then what each published.
    for (const Line &l : f.lines)
        kill(l.monitor.pid, SIGTERM);
    for (Line &l : f.lines)
        l.exit = WaitExit(l.monitor, 20);
    const auto everyOffline = [&](const std::vector<MqttMessage> &all) {
        std::set<std::string> offline;
        for (const MqttMessage &m : all)
            if (m.topic.ends_with("/status") && m.payload.find("\"offline\"") != std::string::npos)
                offline.insert(m.topic);
        return offline.size() == static_cast<std::size_t>(count);
    };
    if (!reader.waitFor(everyOffline, 30)) std::fprintf(stderr, "not every line went offline\n");
    for (Line &l : f.lines) {
        std::set<long> seqs;
        for (const MqttMessage &m : reader.messages(l.base + "/measurement"))
            seqs.insert(std::atol(m.payload.c_str() + m.payload.find("\"seq\":") + 6));
        l.published = static_cast<long>(seqs.size());
        l.replies = static_cast<long>(ReplyStamps(l.log).size());
        Stop(l.sim, 10);
    }
    return f;
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const int count = argc > 2 ? std::atoi(argv[2]) : 16;
    const double aloneSeconds = argc > 3 ? std::atof(argv[3]) : 20.0;
    delivery = argc > 4 ? argv[4] : "uart";

    PortFolder folder;
    char templ[] = "/tmp/vtlx-benchfleet-XXXXXX";
    const std::string dir = mkdtemp(templ);

    const Fleet alone = Run(1, aloneSeconds, dir, "alone");
    if (alone.lines.empty()) return 1;
    const Line &one = alone.lines[0];
    const double bound = one.rate;
    std::printf("line 1 alone, %.0f s: %.2f replies/s (%.3f of the line bound %.2f/s), "
                "published %ld of %ld, CPU %.2f %%, RSS %ld KiB, peak %ld KiB, PSS %ld KiB, load "
                "%s-%s\n\n",
                aloneSeconds, bound, bound / LINE_BOUND, LINE_BOUND, one.published, one.replies,
                100.0 * one.cpu, one.rss, one.peak, one.pss, alone.load0.c_str(),
                alone.load1.c_str());
    std::fflush(stdout);

    const Fleet fleet = Run(count, seconds, dir, "fleet");
    if (fleet.lines.empty()) return 1;
    std::printf("%d lines, delivery %s, %.0f s (load average %s at the start, %s at the end):\n\n"
                "| line | replies/s | of alone | of line bound | published | CPU %% | RSS KiB | "
                "peak KiB | PSS KiB |\n|---|---|---|---|---|---|---|---|---|\n",
                count, delivery.c_str(), seconds, fleet.load0.c_str(), fleet.load1.c_str());
    double rate = 0, cpu = 0, lowest = 1e9;
    long rss = 0, peak = 0, pss = 0, published = 0, replies = 0;
    bool clean = true;
    for (std::size_t i = 0; i < fleet.lines.size(); i++) {
        const Line &l = fleet.lines[i];
        std::printf("| %zu | %.2f | %.3f | %.3f | %ld of %ld | %.2f | %ld | %ld | %ld |\n", i + 1,
                    l.rate, l.rate / bound, l.rate / LINE_BOUND, l.published, l.replies,
                    100.0 * l.cpu, l.rss, l.peak, l.pss);
        rate += l.rate;
        lowest = std::min(lowest, l.rate);
        cpu += l.cpu;
        rss += l.rss;
        peak += l.peak;
        pss += l.pss;
        published += l.published;
        replies += l.replies;
        clean &= l.exit == 0;
    }
    const double n = static_cast<double>(fleet.lines.size());
    std::printf(
        "| all | %.2f | %.3f (lowest %.3f) | %.3f | %ld of %ld | %.2f | %ld | %ld | %ld |\n\n",
        rate, rate / n / bound, lowest / bound, rate / n / LINE_BOUND, published, replies,
        100.0 * cpu, rss, peak, pss);
    std::printf("simulators: %.2f %% of one core in all; every monitor ended with 0: %s\n",
                100.0 * fleet.simCpu, clean ? "yes" : "no");
    return 0;
}
