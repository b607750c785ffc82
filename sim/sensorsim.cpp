// vortelix-sensorsim: a VORTELIX CCD-line sensor on a pseudo-terminal.
//
// Exit status: 0 after SIGINT or SIGTERM, 0 after the hang-up fault dropped
// the line, 1 on a failure (options, port folder, link, EEPROM file, line),
// 2 for a bad command line.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "options.h"
#include "ptyline.h"

namespace {

int gStopPipe[2] = {-1, -1}; // written by the signal handler, watched by Serve

void OnSignal(int) {
    const char c = 's';
    (void)!write(gStopPipe[1], &c, 1);
}

int Fail(const std::string &what) {
    std::fprintf(stderr, "vortelix-sensorsim: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    sim::Options opt;
    std::string error;
    if (!sim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &opt, &error)) {
        std::fprintf(stderr, "vortelix-sensorsim: %s\n", error.c_str());
        return 2;
    }
    if (opt.help) {
        std::fputs(sim::Usage().c_str(), stdout);
        return 0;
    }
    if (opt.listModels) {
        std::fputs(sim::ModelList().c_str(), stdout);
        return 0;
    }

    std::ofstream log;
    if (!opt.log.empty()) {
        log.open(opt.log, std::ios::app);
        if (!log) return Fail("cannot write the log " + opt.log);
    }
    sim::Sensor sensor(opt.config);
    if (!sensor.PowerUp(&error)) return Fail(error);
    if (log.is_open()) sensor.SetLog(&log);

    sim::PtyLine line;
    if (!line.Open(&error)) return Fail(error);

    std::string linkPath, portName = line.SlavePath();
    if (opt.com) {
        std::string folder;
        if (!sim::PreparePortFolder(&folder, &error)) return Fail(error);
        linkPath = folder + "/com" + std::to_string(opt.com);
        portName = "COM" + std::to_string(opt.com);
    } else if (!opt.link.empty()) {
        linkPath = opt.link;
        portName = opt.link;
    }

    // The handlers go in before the link appears, so no signal can leave it behind.
    if (pipe(gStopPipe) != 0) return Fail(std::string("pipe: ") + std::strerror(errno));
    fcntl(gStopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (!linkPath.empty() && !sim::CreatePortLink(linkPath, line.SlavePath(), &error))
        return Fail(error);
    if (linkPath.empty())
        std::printf("vortelix-sensorsim: %s\n", line.SlavePath().c_str());
    else
        std::printf("vortelix-sensorsim: %s -> %s\n", portName.c_str(), line.SlavePath().c_str());
    std::fflush(stdout);

    const sim::ServeResult r = sim::Serve(sensor, line, gStopPipe[0]);
    if (!linkPath.empty()) sim::RemovePortLink(linkPath, line.SlavePath());
    line.Close();
    if (r == sim::kServeHungUp)
        std::fprintf(stderr, "vortelix-sensorsim: line dropped (hang-up fault)\n");
    if (r == sim::kServeFailed) return Fail("the pseudo-terminal failed");
    return 0;
}
