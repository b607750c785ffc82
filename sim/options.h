// Command line of vortelix-sensorsim.
#pragma once

#include <string>
#include <vector>

#include "sensor.h"

namespace sim {

struct Options {
    Config config;
    int com = 0;             // --com N: link comN in the port folder; 0: none
    std::string link;        // --link PATH: link at this path
    std::string log;         // --log FILE: JSON lines of the traffic
    bool help = false;       // --help
    bool listModels = false; // --list-models
};

// Parses args (without the program name). False, with the reason in *error,
// for an unknown option, a missing or malformed value.
bool ParseOptions(const std::vector<std::string> &args, Options *options, std::string *error);

// Reads a delivery as --delivery takes it: uart, whole, usb or usb:N (N the
// latency timer in ms, 1..255) into config. False when it is none of these.
bool ParseDelivery(const std::string &text, Config *config);

// The delivery of config as --delivery takes it ("usb:16").
std::string DeliveryName(const Config &config);

// The --help text.
std::string Usage();

// The --list-models text.
std::string ModelList();

} // namespace sim
