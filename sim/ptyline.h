// The simulated sensor on a pseudo-terminal, and the port links the program
// resolves COM numbers through.
//
// Principles of operation
// - PtyLine opens a pseudo-terminal pair and puts both ends in raw mode, so
//   no byte is translated or echoed. The PC side opens the slave device (for
//   example through a comN link) like any serial port. The simulator keeps a
//   descriptor of the slave open itself, so the line stays up (and keeps its
//   settings) while no program has it open.
// - Serve() pumps bytes between the line's master end and a Sensor, waking for
//   input, for the next byte due, or for the stop descriptor. It never sends a
//   byte before the sensor says it is due, and writes what falls due together
//   in one write: byte by byte, whole answers or packets, by the delivery. It
//   tells the sensor when each write is done, for the log's stamps, and gives
//   it the clock's reading at the start as the origin of its times.
// - While the sensor's reading is stopped, Serve leaves the PC's bytes in the
//   line; it looks at the flag under the lock right before each read, so once
//   StopReading returns nothing more is read. Each byte on wakeFd makes it
//   look again, which is how ResumeReading gets it reading at once.
// - A comN link lives in the per-user port folder: $XDG_RUNTIME_DIR/
//   vortelix-ports, or /tmp/vortelix-ports-<uid> where XDG_RUNTIME_DIR is not
//   set. Its links count only if it belongs to the user and nobody else can
//   write to it; PreparePortFolder creates it with mode 0700 and refuses one
//   that fails the test.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sensor.h"

namespace sim {

// Seconds from the monotonic clock.
double MonotonicSeconds();

class PtyLine {
  public:
    PtyLine() = default;
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;
    ~PtyLine() { Close(); }

    // Opens the pair. False, with the reason in *error, on failure.
    bool Open(std::string *error);
    // Closes both ends: the PC sees the line drop, as with a pulled cable.
    void Close();

    const std::string &SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }
    // Bytes sent to the PC that it has not read yet.
    int Unread() const;

  private:
    int master_ = -1;       // the sensor's end
    int slave_ = -1;        // held open so the line survives the PC closing it
    std::string slavePath_; // /dev/pts/N
};

// How Serve ended.
enum ServeResult { kServeStopped = 0, kServeHungUp = 1, kServeFailed = -1 };

// Serves sensor on line until stopFd becomes readable (kServeStopped), the
// hang-up fault drops the line (kServeHungUp; the line is closed) or the line
// fails (kServeFailed). clock gives seconds; the sensor sees them counted from
// the start of Serve.
// While lock is given, the sensor is touched only with it held. A byte on
// wakeFd (if not -1) wakes Serve to look at the sensor again.
ServeResult Serve(Sensor &sensor, PtyLine &line, int stopFd,
                  const std::function<double()> &clock = MonotonicSeconds,
                  std::mutex *lock = nullptr, int wakeFd = -1);

// A sensor served on its own thread, for tests: start, use SlavePath(), stop.
class SensorThread {
  public:
    explicit SensorThread(Config config);
    ~SensorThread() { Stop(); }

    // Powers the sensor up, opens the line and starts serving. False, with
    // the reason in *error, on failure.
    bool Start(std::string *error);
    // Stops serving and closes the line; safe to call twice.
    void Stop();
    // True once Serve has returned (after Stop, a hang-up or a failure).
    bool Ended() const { return ended_; }

    const std::string &SlavePath() const { return line_.SlavePath(); }
    // Runs inspect on the sensor while the serving thread keeps off it.
    template <class F> auto Inspect(F inspect) {
        std::lock_guard<std::mutex> hold(lock_);
        return inspect(static_cast<const Sensor &>(sensor_));
    }
    // The cable moved to another sensor, in two steps. Unplug stops serving
    // and leaves the line up, so the PC's port sees no hang-up; PlugIn drops
    // what the PC sent meanwhile and serves a new sensor, powered up, that
    // logs to log. False, with the reason in *error, on failure.
    void Unplug();
    bool PlugIn(Config config, std::ostream *log, std::string *error);
    // Lets the hold fault's tail go.
    void ReleaseHeld();
    // Stops the reading of the line: once this returns, the PC's bytes stay
    // in the line until ResumeReading.
    void StopReading();
    void ResumeReading();
    void SetLog(std::ostream *log) {
        std::lock_guard<std::mutex> hold(lock_);
        sensor_.SetLog(log);
    }

  private:
    void StartServing();

    Sensor sensor_;
    PtyLine line_;
    int stopPipe_[2] = {-1, -1};
    int wakePipe_[2] = {-1, -1};
    std::mutex lock_; // between the serving thread and Inspect
    std::thread thread_;
    std::atomic<bool> ended_{false};
};

// The per-user port folder's path by the rule above (not checked).
std::string PortFolderPath();

// Creates the folder if missing (mode 0700) and checks it. On success *folder
// holds its path; otherwise *error says why it cannot be used.
bool PreparePortFolder(std::string *folder, std::string *error);

// Makes path a symbolic link to target. An existing link whose target no
// longer exists is replaced; anything else at path is an error.
bool CreatePortLink(const std::string &path, const std::string &target, std::string *error);

// Removes the link at path if it still points to target.
void RemovePortLink(const std::string &path, const std::string &target);

} // namespace sim
