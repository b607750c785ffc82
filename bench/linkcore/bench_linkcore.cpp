// The link core without a window: opens port N as the desktop program does
// (echo, identification, parameters, firmware text), then runs the run loop
// for the given seconds with one reader that counts the replies, and prints
// the replies per second. Status texts go to stderr, as a program without a
// window reports them.
//
//   bench_linkcore [port] [seconds]   (defaults: 1, 5)
#include "com232/com232.h"
#include "com232/linksink.h"
#include "com232/measure.h"
#include "com232/portsetup.h"
#include "platform/rs232.h"
#include "platform/runtime.h"

#include <cstdio>
#include <cstdlib>

namespace {

double endAt = 0.0;  // Timer() at which the loop is stopped
long replies = 0;    // replies fanned out
double first = -1.0; // Timer() of the first of them
double last = 0.0;   // and of the last

void LogStatus(const char *text) {
    std::fprintf(stderr, "status: %s\n", text);
}

void CountReply(const RunReply &reply) {
    if (first < 0) first = reply.monotonic;
    last = reply.monotonic;
    replies++;
    if (reply.monotonic >= endAt) stop_flag = 1;
}

} // namespace

int main(int argc, char **argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 1;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    if (!InitCVIRTE(nullptr, argv, nullptr)) return 1;
    const LinkSink sink = {LogStatus, nullptr, nullptr, nullptr};
    InstallLinkSink(&sink);
    AssignSettingsDefaults();
    AssignLinkDefaults();
    com = port;
    InitRS232(com);
    if (ret != FIRMWARE_LEN) {
        std::fprintf(stderr, "bench_linkcore: COM%d did not come up\n", com);
        return 1;
    }
    std::printf("sensor: CCD type %u, %u pixels, firmware \"%s\"\n", ccdtype, ccdmaxpixel,
                szFirmware);
    AddRunReader(CountReply);
    endAt = Timer() + seconds;
    const int stopped = RunMeasurementLoop();
    CloseCom(com);
    const double span = last - first;
    std::printf("run loop: %ld replies, %.2f/s%s\n", replies, span > 0 ? (replies - 1) / span : 0.0,
                stopped ? "" : " (ended by a time-out)");
    return stopped ? 0 : 1;
}
