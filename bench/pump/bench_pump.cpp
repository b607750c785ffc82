// The waiting loop's cost and the receive callback's latency.
//
// 1. A loop of ProcessSystemEvents + flag test + Timer, as every reply wait
//    runs it, for 10 s with nothing arriving: the share of one core it takes.
// 2. A peer on a pseudo-terminal writes 36-byte frames at random intervals;
//    the time from the return of its write() to the receive callback's entry:
//    median and p99.
// 3. The same peer writes a 512-byte block in one piece, as a USB adapter
//    hands it on, while the program waits for it in the queue (pumping
//    events, as the video loop does, or blocking, as the firmware text wait
//    does): the time from the write's return to the wait's return. A wait
//    that slept and looked again would be late by its sleep.
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "ptypeer.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 61;
std::atomic<long long> writtenAt{0}; // ns, when the peer's write() returned
std::atomic<int> received{0};
std::vector<double> latenciesUs;
int rxFlag = 0;

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void OnReceive(int port, int, void *) {
    const long long now = NowNs();
    char frame[36];
    ComRd(port, frame, 36);
    FlushInQ(port);
    latenciesUs.push_back((now - writtenAt.load()) / 1000.0);
    rxFlag = 1;
    received.fetch_add(1);
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const double idleSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int frames = argc > 2 ? std::atoi(argv[2]) : 1000;

    PortFolder folder;
    PtyPeer peer;
    folder.link(kPort, peer.device());
    if (OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096) != 0) {
        std::fprintf(stderr, "cannot open the pseudo-terminal\n");
        return 1;
    }
    InstallComCallback(kPort, 0x8006, 36, 0x55, OnReceive, nullptr);

    // 1. Idle waiting loop.
    double cpu0 = CpuSeconds();
    double t0 = Timer();
    long long passes = 0;
    while (Timer() - t0 < idleSeconds) {
        ProcessSystemEvents();
        if (rxFlag == 1) break;
        ++passes;
    }
    const double idleShare = (CpuSeconds() - cpu0) / (Timer() - t0);
    std::printf("idle wait loop: %.1f s, %lld passes, CPU %.2f%% of one core (goal < 5%%)\n",
                Timer() - t0, passes, 100 * idleShare);

    // 2. Latency from the peer's last byte to the callback.
    std::thread sensor([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> pause(2, 12);
        const std::vector<unsigned char> frame = Frame(0xAA, 8, {1, 2, 3, 4});
        for (int i = 0; i < frames; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(rng)));
            const int before = received.load();
            peer.write(frame);
            writtenAt.store(NowNs());
            const auto deadline = Clock::now() + std::chrono::seconds(2);
            while (received.load() == before && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    cpu0 = CpuSeconds();
    t0 = Timer();
    while (received.load() < frames && Timer() - t0 < frames * 0.05 + 5)
        ProcessSystemEvents();
    const double busyShare = (CpuSeconds() - cpu0) / (Timer() - t0);
    sensor.join();
    std::printf("callback latency over %zu frames: median %.0f us, p99 %.0f us, max %.0f us "
                "(goal p99 < 2000 us); CPU %.2f%% of one core while receiving\n",
                latenciesUs.size(), Percentile(latenciesUs, 0.5), Percentile(latenciesUs, 0.99),
                Percentile(latenciesUs, 1.0), 100 * busyShare);
    // 3. Queue waits on a block that arrives whole.
    InstallComCallback(kPort, 0, 36, 0x55, nullptr, nullptr);
    const std::vector<unsigned char> block(512, 1);
    for (const bool pump : {true, false}) {
        std::vector<double> us;
        for (int i = 0; i < 50; i++) {
            FlushInQ(kPort);
            std::thread answer([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20 + i % 7));
                peer.write(block);
                writtenAt.store(NowNs());
            });
            const int got = pump ? PumpUntilInQ(kPort, 512, 1.0) : WaitInQ(kPort, 512, 1.0);
            const long long now = NowNs();
            answer.join();
            if (got == 512) us.push_back((now - writtenAt.load()) / 1000.0);
        }
        std::printf("%s wait for a whole 512-byte block, %zu of 50 taken: median %.0f us, p99 "
                    "%.0f us (a sleeping wait would be late by its sleep)\n",
                    pump ? "pumping" : "blocking", us.size(), Percentile(us, 0.5),
                    Percentile(us, 0.99));
    }
    CloseCom(kPort);
    return 0;
}
