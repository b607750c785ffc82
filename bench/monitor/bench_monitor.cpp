// The monitor as it runs in a plant: the simulator (vortelix-sensorsim, paced
// at 19200 baud, linked as COM1 in a private port folder), a mosquitto broker
// on a free port and vortelix-monitor, each a process of its own.
//
//   bench_monitor [seconds] [deliveries] [outage]
//     seconds     measured per delivery, default 20
//     deliveries  default uart,whole,usb:1,usb:16 (the simulator's --delivery)
//     outage      seconds the broker is stopped after that, default 10
//
// Printed per delivery, over the measured span (after 3 s of start-up):
// - replies per second from the simulator's stamps of the run replies, and
//   their share of the line bound (36 + 36 bytes at 1920 bytes/s: 26.67/s);
// - the measurements the reader (QoS 1) got against the replies;
// - the monitor's CPU share of one core (/proc/PID/stat), resident memory at
//   the start and the end of the span (and once a minute in long runs);
// - with the broker stopped for the outage: the reply rate meanwhile, its
//   share of the rate before (the loop must not slow down while the
//   measurements queue) and the resident memory it grew by per measurement
//   queued.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "broker.h"
#include "monitorbench.h"
#include "process.h"
#include "ptypeer.h"

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    std::string list = argc > 2 ? argv[2] : "uart,whole,usb:1,usb:16";
    const double outage = argc > 3 ? std::atof(argv[3]) : 10.0;
    std::vector<std::string> deliveries;
    for (std::stringstream s(list); std::getline(s, list, ',');)
        deliveries.push_back(list);

    PortFolder folder;
    char templ[] = "/tmp/vtlx-benchmon-XXXXXX";
    const std::string dir = mkdtemp(templ);
    std::printf("| delivery | replies/s | of line bound | published (+ repeats) | CPU %% | RSS "
                "start-end KiB |"
                " outage replies/s | of rate before | bytes per queued |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    for (const std::string &delivery : deliveries) {
        const std::string log = dir + "/line-" + delivery + ".jsonl";
        Child sim =
            Start({VTLX_SENSORSIM, "--com", "1", "--delivery", delivery, "--log", log}, dir, dir);
        Pause(0.5);
        Broker broker;
        if (const std::string problem = broker.problem(); !problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            Stop(sim, 10);
            return 1;
        }
        MqttReader reader(broker.port(), "bench/#");
        reader.connected();
        Child monitor = Start({VTLX_MONITOR, "--port", "1", "--broker", broker.url(), "--topic",
                               "bench", "--stats-every", "1"},
                              dir, dir);
        Pause(3.0);
        const double t0 = ReplyStamps(log).empty() ? 0 : ReplyStamps(log).back();
        const double cpu0 = CpuSeconds(monitor.pid), wall0 = Now();
        const long rss0 = StatusKiB(monitor.pid, "VmRSS:");
        for (double left = seconds; left > 0; left -= 60) {
            Pause(left < 60 ? left : 60);
            if (seconds > 120)
                std::fprintf(stderr, "%s: %.0f s, RSS %ld KiB\n", delivery.c_str(),
                             seconds - left + (left < 60 ? left : 60),
                             StatusKiB(monitor.pid, "VmRSS:"));
        }
        const double cpu = (CpuSeconds(monitor.pid) - cpu0) / (Now() - wall0);
        const long rss1 = StatusKiB(monitor.pid, "VmRSS:");
        const std::vector<double> stamps = ReplyStamps(log);
        const double t1 = stamps.back();
        const double rate = RepliesPerSecond(stamps, t0, t1);

        // The broker away: the queue grows by every reply meanwhile.
        broker.stop();
        const long rssDown = StatusKiB(monitor.pid, "VmRSS:");
        const double down = ReplyStamps(log).back();
        Pause(outage);
        const std::vector<double> after = ReplyStamps(log);
        const double up = after.back();
        const long queued = static_cast<long>(after.size()) - static_cast<long>(stamps.size());
        const long rssUp = StatusKiB(monitor.pid, "VmRSS:");
        broker.start();
        // The queue drains after the reconnect (back-off up to 30 s).
        const std::size_t all = ReplyStamps(log).size();
        reader.waitFor([&](const std::vector<MqttMessage> &m) { return m.size() >= all; }, 60);
        Stop(monitor, 20);
        Stop(sim, 10);
        // A QoS 1 message in flight when the broker went may come twice: the
        // count is of sequence numbers, the repeats beside it.
        std::set<long> seqs;
        const auto messages = reader.messages("bench/measurement");
        for (const MqttMessage &m : messages)
            seqs.insert(std::atol(m.payload.c_str() + m.payload.find("\"seq\":") + 6));
        const long published = static_cast<long>(seqs.size());
        const long repeats = static_cast<long>(messages.size() - seqs.size());
        const double outageRate = RepliesPerSecond(after, down, up);
        std::printf(
            "| %s | %.2f | %.3f | %ld of %zu (+%ld) | %.2f | %ld-%ld | %.2f | %.3f | %.0f |\n",
            delivery.c_str(), rate, rate / LINE_BOUND, published, ReplyStamps(log).size(), repeats,
            100.0 * cpu, rss0, rss1, outageRate, rate > 0 ? outageRate / rate : 0.0,
            queued > 0 ? 1024.0 * static_cast<double>(rssUp - rssDown) / static_cast<double>(queued)
                       : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
