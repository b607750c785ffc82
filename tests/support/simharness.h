// The simulated sensor on a pseudo-terminal, linked as a COM port, with its
// log kept in a file the test can read while the sensor runs.
#pragma once

#include "ptypeer.h"
#include "ptyline.h"
#include "sensor.h"

#include <QObject>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One line of the simulator's log.
struct SimEvent {
    double t = 0;                // seconds since the sensor started serving
    std::string dir;             // "rx" or "tx"
    std::string kind;            // "frame", "reply", "block", "junk", ...
    int code = -1;               // command code, where the line has one
    std::vector<unsigned> words; // the sixteen words of a frame or reply
};

class SimulatedSensor {
  public:
    // Starts a sensor of the given configuration and links it as COM number.
    SimulatedSensor(sim::Config config, int number, PortFolder &folder);
    ~SimulatedSensor();

    bool ok() const { return ok_; }
    const std::string &error() const { return error_; }
    sim::SensorThread &thread() { return *thread_; }
    // Every log line written so far.
    std::vector<SimEvent> events() const;
    // The log lines of the given direction and kind (and code, unless -1).
    std::vector<SimEvent> lines(const char *dir, const char *kind, int code = -1) const;
    // The codes of the frames received so far, in order.
    std::vector<int> framesReceived() const;
    // The sensor's parameter sets, read while the sensor keeps off them.
    sim::Words ram() {
        return thread_->Inspect([](const sim::Sensor &s) { return s.Ram(); });
    }
    sim::Words eeprom() {
        return thread_->Inspect([](const sim::Sensor &s) { return s.Eeprom(); });
    }
    void stop();
    // The cable moved to another sensor (the port stays present): unplug,
    // then plugIn; the log starts anew with the new sensor.
    void unplug() { thread_->Unplug(); }
    bool plugIn(sim::Config config);

  private:
    std::string logPath_;
    std::unique_ptr<std::ofstream> log_;
    std::unique_ptr<sim::SensorThread> thread_;
    bool ok_ = false;
    std::string error_;
};

// Runs action once, inside whatever pumps events, as soon as the sensor holds
// an answer back (the hold fault); pending looks die with context.
void WhenSensorHolds(QObject &context, sim::SensorThread &sensor, std::function<void()> action);

// True while the sensor holds an answer back.
bool SensorHolds(sim::SensorThread &sensor);

// A configuration of the named preset, answering at once.
sim::Config InstantConfig(const char *preset = "t1", int pcbtype = -1, int softversion = -1);
