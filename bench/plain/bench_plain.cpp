// The plain blocking client: what a program that does nothing but wait for
// the line gets through it. It opens the port as a raw 19200 8N1 serial line,
// sends the run request (code 8, sixteen zero words), blocks in read() until
// the 36-byte reply is complete, and repeats. No events, no drawing: the
// baseline the program's run loop is measured against.
//
//   bench_plain DEVICE [seconds, default 10] [TIMES-FILE]
//
// Prints "N replies in S s: R/s". With TIMES-FILE, writes there the monotonic
// clock (seconds) at which each reply was complete, one a line.
// Exit status 1 when the port cannot be opened or a reply does not come
// within 2 s or is not a run reply.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrameLen = 36;         // command and reply frames, bytes
constexpr int kRunCode = 8;           // the measurement request
constexpr unsigned kReplyTimeout = 2; // s before a missing reply ends the run

double Monotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

void OnAlarm(int) {} // only interrupts the blocked read

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_plain DEVICE [seconds] [times-file]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const int fd = open(argv[1], O_RDWR | O_NOCTTY);
    termios t{};
    if (fd < 0 || tcgetattr(fd, &t) != 0) {
        std::fprintf(stderr, "bench_plain: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    // Raw, and read() returns only once the whole reply is there.
    cfmakeraw(&t);
    cfsetspeed(&t, B19200);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = kFrameLen;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);

    // A missing reply interrupts the read instead of blocking for ever.
    struct sigaction sa {};
    sa.sa_handler = OnAlarm;
    sigaction(SIGALRM, &sa, nullptr);

    unsigned char request[kFrameLen] = {0x00, 0x55, 0x00, kRunCode};
    std::vector<double> done;
    const double t0 = Monotonic();
    while (Monotonic() - t0 < seconds) {
        if (write(fd, request, sizeof request) != kFrameLen) {
            std::fprintf(stderr, "bench_plain: write failed: %s\n", std::strerror(errno));
            return 1;
        }
        unsigned char reply[kFrameLen];
        int got = 0;
        alarm(kReplyTimeout);
        while (got < kFrameLen) {
            const ssize_t n = read(fd, reply + got, sizeof reply - got);
            if (n <= 0) {
                std::fprintf(stderr, "bench_plain: no reply after %zu replies\n", done.size());
                return 1;
            }
            got += int(n);
        }
        alarm(0);
        done.push_back(Monotonic());
        if (reply[0] != 0x00 || reply[1] != 0xAA || reply[3] != kRunCode) {
            std::fprintf(stderr, "bench_plain: reply %zu is not a run reply\n", done.size());
            return 1;
        }
    }
    const double wall = Monotonic() - t0;
    std::printf("%zu replies in %.2f s: %.2f/s\n", done.size(), wall, done.size() / wall);
    if (argc > 3) {
        FILE *f = std::fopen(argv[3], "w");
        if (!f) return 1;
        for (double d : done)
            std::fprintf(f, "%.6f\n", d);
        std::fclose(f);
    }
    close(fd);
    return 0;
}
