// vortelix-monitor: a sensor's measurements to an MQTT broker, without a window.
#include <cstdio>
#include <string>

#include "monitor/config.h"
#include "monitor/monitor.h"
#include "platform/service.h"

int main(int argc, char **argv) {
    if (!InitServiceRuntime(argc, argv)) return 1;
    MonitorConfig config;
    std::string error;
    const int loaded = LoadMonitorConfig(argc, argv, &config, &error);
    if (loaded == 1) return 0;
    if (loaded != 0) {
        std::fprintf(stderr, "vortelix-monitor: %s\n", error.c_str());
        return CONFIG_EXIT;
    }
    return RunMonitor(config);
}
