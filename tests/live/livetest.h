// Helpers of the live-measurement suite: a simulated sensor whose log the
// test reads with the words of every frame, timed actions inside the loops'
// event pumps, and looks at the main window.
#pragma once

#include "ptyline.h"
#include "ptypeer.h"

#include <QObject>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One line of the simulator's log, with the words of frames and replies.
struct LogLine {
    std::string dir;             // "rx" or "tx"
    std::string kind;            // "frame", "reply", "block", ...
    int code = -1;               // command code
    std::vector<unsigned> words; // the sixteen words, where the line has them
    bool dropped = false;        // a frame the sensor did not answer
};

// The simulated sensor linked as COM1, logging into a file of its own.
class LoggedSensor {
  public:
    LoggedSensor(sim::Config config, PortFolder &folder);
    ~LoggedSensor();
    bool ok() const { return ok_; }
    sim::SensorThread &thread() { return *thread_; }
    std::vector<LogLine> lines() const;
    // Frames received (dir rx) and replies sent (dir tx) with the given code.
    std::vector<LogLine> frames(int code) const;
    std::vector<LogLine> replies(int code) const;

  private:
    std::string path_;
    std::unique_ptr<std::ofstream> log_;
    std::unique_ptr<sim::SensorThread> thread_;
    bool ok_ = false;
};

// Opens COM1 and installs the receive callback, without the start-up chain.
bool OpenLine();

// Runs action after the given seconds, inside whatever pumps events then.
// Pending actions die with context.
void After(QObject &context, double seconds, std::function<void()> action);

// Main-panel looks.
int PanelInt(int control);
bool Dimmed(int control);
bool Visible(int control);
