#include "simharness.h"

#include "ptyline.h"
#include "uiharness.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

SimulatedSensor::SimulatedSensor(sim::Config config, int number, PortFolder &folder) {
    char name[] = "/tmp/vtlx-simlog-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    logPath_ = name;
    log_ = std::make_unique<std::ofstream>(logPath_);
    thread_ = std::make_unique<sim::SensorThread>(std::move(config));
    thread_->SetLog(log_.get());
    ok_ = thread_->Start(&error_);
    if (ok_) folder.link(number, thread_->SlavePath());
}

SimulatedSensor::~SimulatedSensor() {
    stop();
    std::remove(logPath_.c_str());
}

void SimulatedSensor::stop() {
    if (thread_) thread_->Stop();
}

bool SimulatedSensor::plugIn(sim::Config config) {
    log_.reset(); // the old sensor's last lines out before the file starts anew
    log_ = std::make_unique<std::ofstream>(logPath_, std::ios::trunc);
    ok_ = thread_->PlugIn(std::move(config), log_.get(), &error_);
    return ok_;
}

// Reads the few fields the tests use from one JSON line.
static SimEvent ParseLine(const std::string &line) {
    SimEvent e;
    auto number = [&](const char *key, double fallback) {
        const auto at = line.find(std::string("\"") + key + "\":");
        return at == std::string::npos ? fallback
                                       : std::atof(line.c_str() + at + std::strlen(key) + 3);
    };
    auto text = [&](const char *key) {
        const std::string tag = std::string("\"") + key + "\":\"";
        const auto at = line.find(tag);
        if (at == std::string::npos) return std::string();
        const auto end = line.find('"', at + tag.size());
        return line.substr(at + tag.size(), end - at - tag.size());
    };
    e.t = number("t", 0);
    e.code = int(number("code", -1));
    e.dir = text("dir");
    e.kind = text("kind");
    const auto words = line.find("\"words\":[");
    for (auto at = words == std::string::npos ? words : words + 9;
         at != std::string::npos && at < line.size() && line[at] != ']';) {
        e.words.push_back(unsigned(std::strtoul(line.c_str() + at, nullptr, 10)));
        at = line.find_first_of(",]", at);
        if (at != std::string::npos && line[at] == ',') at++;
    }
    return e;
}

std::vector<SimEvent> SimulatedSensor::events() const {
    std::vector<SimEvent> out;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) out.push_back(ParseLine(line));
    return out;
}

std::vector<SimEvent> SimulatedSensor::lines(const char *dir, const char *kind, int code) const {
    std::vector<SimEvent> out;
    for (SimEvent &e : events())
        if (e.dir == dir && e.kind == kind && (code < 0 || e.code == code))
            out.push_back(std::move(e));
    return out;
}

std::vector<int> SimulatedSensor::framesReceived() const {
    std::vector<int> codes;
    for (const SimEvent &e : lines("rx", "frame"))
        codes.push_back(e.code);
    return codes;
}

sim::Config InstantConfig(const char *preset, int pcbtype, int softversion) {
    sim::Config config;
    const sim::ModelPreset *p = sim::FindPreset(preset);
    config.model = sim::MakeModel(p ? *p : sim::Presets().front(), pcbtype, softversion);
    config.instant = true;
    return config;
}

bool SensorHolds(sim::SensorThread &sensor) {
    return sensor.Inspect([](const sim::Sensor &s) { return s.Holding(); });
}

void WhenSensorHolds(QObject &context, sim::SensorThread &sensor, std::function<void()> action) {
    When(
        context, [&sensor] { return SensorHolds(sensor); }, std::move(action));
}
