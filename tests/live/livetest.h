// Helpers of the live-measurement suite: the simulated sensor with a log of
// every frame's words, timed actions inside the loops' event pumps, and
// looks at the main window.
#pragma once

#include "ptyline.h"
#include "ptypeer.h"

#include <QObject>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct LogLine {
    std::string dir, kind;       // "rx"/"tx"; "frame", "reply", "block", ...
    int code = -1;               // command code
    std::vector<unsigned> words; // the sixteen words of a frame or reply
};

// The simulated sensor linked as COM1, logging into a file of its own.
class LoggedSensor {
  public:
    LoggedSensor(sim::Config config, PortFolder &folder);
    ~LoggedSensor();
    bool ok() const { return ok_; }
    sim::SensorThread &thread() { return *thread_; }
    // Log lines of the given direction and kind (and code, unless -1).
    std::vector<LogLine> lines(const char *dir, const char *kind, int code = -1) const;

  private:
    std::string path_;
    std::unique_ptr<std::ofstream> log_;
    std::unique_ptr<sim::SensorThread> thread_;
    bool ok_ = false;
};

// Opens COM1 with the receive callback, without the start-up chain.
bool OpenLine();

// Runs action after the given seconds, inside whatever pumps events then;
// pending actions die with context.
inline void After(QObject &context, double seconds, std::function<void()> action) {
    QTimer::singleShot(int(seconds * 1000), &context, std::move(action));
}

int PanelInt(int control);
bool Attribute(int control, int attribute);

// The state every loop leaves, whichever way it ended.
void ExpectEnded();
