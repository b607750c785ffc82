// Run exchanges against the simulator in each delivery, as a client that
// reads at once sees them: how long an exchange takes against the line model
// and in how many pieces its reply comes. The tests check only what holds on
// any machine (never faster than the line, never more pieces than the
// delivery makes); these are the figures.
//
//   bench_delivery [exchanges]   (default 50 per delivery)
#include "options.h"
#include "ptyline.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace sim;

// Sends one run request on fd and reads its 36-byte reply as it comes:
// milliseconds from the write to the last byte, and the reads it took.
bool Exchange(int fd, double *ms, std::size_t *pieces) {
    std::uint8_t frame[kFrameLen] = {};
    PutWord(frame, kCommandSync);
    PutWord(frame + 2, kRun);
    const double t0 = MonotonicSeconds();
    if (write(fd, frame, sizeof frame) != kFrameLen) return false;
    std::size_t got = 0;
    *pieces = 0;
    while (got < kFrameLen && MonotonicSeconds() - t0 < 2.0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        std::uint8_t buf[256];
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0) continue;
        got += static_cast<std::size_t>(r);
        ++*pieces;
    }
    *ms = (MonotonicSeconds() - t0) * 1000;
    return got == kFrameLen;
}

template <class T> T Median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    const int count = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
    std::printf("delivery  line_ms  median_ms  max_ms  median_pieces  max_pieces\n");
    const struct {
        const char *name;
        double lineMs; // request and reply as the line model has them
    } deliveries[] = {{"uart", 37.5}, {"whole", 37.5}, {"usb:16", 51.4}, {"usb:1", 37.97}};
    for (const auto &d : deliveries) {
        Config config;
        if (!ParseDelivery(d.name, &config)) return 1;
        SensorThread sensor(config);
        std::string error;
        if (!sensor.Start(&error)) {
            std::fprintf(stderr, "bench_delivery: %s\n", error.c_str());
            return 1;
        }
        const int fd = open(sensor.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd < 0 || tcgetattr(fd, &t) != 0) return 1;
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        std::vector<double> ms;
        std::vector<std::size_t> pieces;
        for (int i = 0; i < count; ++i) {
            double m = 0;
            std::size_t p = 0;
            if (!Exchange(fd, &m, &p)) {
                std::fprintf(stderr, "bench_delivery: %s: a reply did not come\n", d.name);
                return 1;
            }
            ms.push_back(m);
            pieces.push_back(p);
        }
        close(fd);
        std::printf("%-8s  %7.2f  %9.2f  %6.2f  %13zu  %10zu\n", d.name, d.lineMs, Median(ms),
                    *std::max_element(ms.begin(), ms.end()), Median(pieces),
                    *std::max_element(pieces.begin(), pieces.end()));
    }
    return 0;
}
