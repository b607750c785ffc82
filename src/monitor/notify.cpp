// sd_notify from libsystemd.
#include "monitor/notify.h"

#include <cstdint>
#include <string>

#include <systemd/sd-daemon.h>

void NotifyReady(void) {
    sd_notify(0, "READY=1");
}

void NotifyWatchdog(void) {
    sd_notify(0, "WATCHDOG=1");
}

void NotifyStatus(const char *text) {
    sd_notify(0, (std::string("STATUS=") + text).c_str());
}

double WatchdogEvery(void) {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        const double half = static_cast<double>(usec) / 2e6;
        return half < 1.0 ? half : 1.0;
    }
    return 1.0;
}
