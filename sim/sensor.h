// The simulated sensor as a state machine: bytes in, bytes out.
//
// Principles of operation
// - Time is passed in by the caller (seconds from any origin, steadily
//   rising), so tests need not wait for real time; the pseudo-terminal driver
//   passes the monotonic clock.
// - Receive() takes the bytes the PC wrote, with the time they were read. The
//   line is modelled at 1920 bytes/s: a byte read at t arrives t + 1/1920 s
//   after the byte before it (or after t, whichever is later), so a 36-byte
//   command read at once is complete 18.75 ms after its first byte.
// - A complete command is handled at once; its answer starts to leave when the
//   command is complete (plus the delay fault) and the line is free, then one
//   byte every 1/1920 s. How those bytes reach the PC is the delivery:
//   uart hands each one out as its last bit is in (what is owed since the
//   answer started, never more); whole hands out the whole answer when its
//   last byte is complete; usb hands them out as a USB serial adapter does,
//   in packets of up to kUsbPacket bytes, one leaving when the adapter holds
//   that many or when its latency timer, started by the first byte it holds,
//   runs out. TakeDue() hands out what the delivery has released by then.
// - With instant set, commands are complete when read and answers are due at
//   once, whatever the delivery.
// - Wrote() tells the sensor how many of the bytes handed out have been
//   written to the line and when; the log then stamps the moment the last
//   byte of each answer was written.
// - Input that is not a command frame is skipped up to the next 00 55 that
//   starts a frame with a known code, and logged as junk. A partial frame
//   followed by a pause of more than kInterByteGap is dropped the same way.
// - Noise comes from a generator with a fixed seed: the same commands at the
//   same times give the same answers.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model.h"
#include "replay.h"
#include "wire.h"

namespace sim {

using Words = std::array<u16, kWords>;
using VideoLine = std::array<u16, kVideoSamples>;

// Line faults, each off by default.
struct Faults {
    bool silent = false;    // never answers
    long silentAfter = -1;  // answers this many frames, then nothing (-1: off)
    std::set<int> ignore;   // codes never answered
    bool wrongSync = false; // reply frames begin with 0x00AB instead of 0x00AA
    long shortReply = 0;    // this answer (1 = the first) is cut short; 0: off
    int shortLen = 30;      // bytes of the cut answer that are sent
    int junkBefore = 0;     // junk bytes sent before every answer
    int extraAfter = 0;     // stray bytes sent after every answer
    double delay = 0.0;     // extra seconds before every answer
    long hangupAfter = -1;  // line dropped once this many frames are answered (-1: off)
    // Faults placed at one answer (1 = the first answer, frames and blocks
    // counted alike; 0: off), so a test knows where they strike:
    long burstAfter = 0; // junk burst sent right behind this answer ...
    int burstLen = 8;    // ... of this many bytes
    long cutAnswer = 0;  // this answer stops after cutByte bytes and the line drops
    int cutByte = 0;     // (bytes of the answer sent before the line drops)
    long holdAnswer = 0; // this answer stops after holdByte bytes ...
    int holdByte = 0;    // ... until ReleaseHeld lets the rest go
};

// How the line hands the sensor's bytes to the PC.
enum class Delivery {
    kUart,  // byte by byte, each as its last bit is in: 1920 a second
    kWhole, // each answer in one piece, when its last byte is complete
    kUsb,   // in packets, as a USB serial adapter releases them
};

inline constexpr std::size_t kUsbPacket = 62; // data bytes of one packet of the adapter
inline constexpr int kUsbLatencyMs = 16;      // the adapter's latency timer by default

struct Config {
    Model model = MakeModel(Presets().front());
    bool instant = false;                 // no line pacing (the delivery is then moot)
    Delivery delivery = Delivery::kUart;  // how answers reach the PC
    int usbLatencyMs = kUsbLatencyMs;     // latency timer of the usb delivery, 1..255 ms
    std::uint32_t seed = 1996;            // noise generator seed
    double period = 60.0;                 // seconds of one sweep of the object; 0 holds it still
    std::string eepromFile;               // where the EEPROM lives; empty: memory only
    std::string firmware;                 // firmware text; empty: built from softversion
    std::shared_ptr<const Replay> replay; // a recorded run the object follows; null: none
    Faults faults;
};

// One measurement: the fourteen words of the run reply.
struct Measurement {
    u16 Ledge = 0, Redge = 0, Mvalue = 0;
    std::int32_t umValue = 0;
    u16 tVal = 0, tTol = 0, edcnt = 0, mvstart = 0, mvend = 0;
    u16 dynpower = 0, anaMax = 0, anaMin = 0, in0 = 0;
    Words ToWords() const;
};

// Seconds of silence after which a partial frame is dropped.
inline constexpr double kInterByteGap = 0.1;

class Sensor {
  public:
    explicit Sensor(Config config);

    // Loads the EEPROM file (creating it with the defaults when it does not
    // exist) and copies the EEPROM into RAM, as at power-up. False, with the
    // reason in *error, when the file cannot be read, parsed or written.
    bool PowerUp(std::string *error);

    // Every frame received and every answer sent goes to log as a JSON line.
    void SetLog(std::ostream *log) { log_ = log; }

    // The times passed in count from origin on some clock; the log's clock
    // stamps ("read", "mono") add it back, so that they read that clock
    // itself (the monotonic clock under Serve). 0 by default.
    void SetClockOrigin(double origin) { origin_ = origin; }
    double ClockOrigin() const { return origin_; }

    void Receive(const std::uint8_t *data, std::size_t n, double t);

    // Appends to out every byte due at now; returns how many.
    std::size_t TakeDue(double now, std::vector<std::uint8_t> &out);

    // Time at which the next byte is due; +infinity when nothing waits.
    double NextDue() const;

    // n more of the bytes handed out by TakeDue have been written to the line
    // by a write that began at t. Each answer whose last byte is now written
    // is logged as such, with t.
    void Wrote(std::size_t n, double t);

    // Lets the held tail of the hold fault go from now on, at line pace.
    void ReleaseHeld(double now);
    // True while the hold fault keeps bytes back.
    bool Holding() const {
        return !out_.empty() && out_.front().holdAt < out_.front().bytes.size();
    }

    // Stops and resumes the reading of the line. Meanwhile what the PC writes
    // waits in the line unread, where the PC's output flush can still take it
    // back; Serve reads on once Reading() is true again.
    void StopReading() { reading_ = false; }
    void ResumeReading() { reading_ = true; }
    bool Reading() const { return reading_; }

    // True once the hang-up fault has struck and its last answer has left.
    bool LineDown(double now) const { return hangupAt_ >= 0 && now >= hangupAt_ && out_.empty(); }

    // The parameter set that a sensor of this model leaves the factory with.
    static Words FactorySettings(const Model &model);

    // Inspection.
    const Words &Ram() const { return ram_; }
    const Words &Eeprom() const { return eeprom_; }
    bool Calibrating() const { return calibrating_; }
    const VideoLine &Video() const { return video_; }
    long FramesReceived() const { return frames_; }
    const Config &Settings() const { return config_; }

    // Where the shadow's edges are at time t, in sub-pixel units (either may
    // lie off the line).
    void ObjectAt(double t, double *left, double *right) const;

    // Takes one measurement at time t as a run command does (noise, video line,
    // analog max/min and the measurement count advance).
    Measurement Measure(double t);

  private:
    struct Burst {
        double start;                    // when its first byte starts to leave
        std::vector<std::uint8_t> bytes; // what is sent
        std::size_t sent;                // bytes handed out so far
        std::size_t holdAt;              // bytes handed out before a hold; size(): none
    };
    // The next moment bytes are handed out, and how many (from the front).
    struct Release {
        double at;
        std::size_t count;
    };
    // An answer whose last byte is not yet written: it ends once `end` bytes
    // of all those put on the line are written.
    struct Mark {
        std::uint64_t end;
        int code;
        const char *kind; // "reply" or "block"
    };

    void Parse(double readTime);
    void FlushJunk(double t);
    void Handle(const std::uint8_t *frame, double t, double readFirst, double readLast);
    void SendFrame(int code, const Words &words, double t);
    void SendBlock(int code, std::vector<std::uint8_t> bytes, double t);
    void Transmit(std::vector<std::uint8_t> bytes, double t, int code, const char *kind);
    double Arrival(const Burst &b, std::size_t i) const;
    Release NextRelease() const;
    std::size_t Hand(std::size_t count, std::vector<std::uint8_t> &out);
    bool SaveEeprom(std::string *error) const;
    std::vector<std::uint8_t> FirmwareBlock() const;
    std::vector<std::uint8_t> VideoBlock(int first, int count) const;
    u16 SlopeMultiplier() const { return config_.model.id.ccdtype == 104 ? 512 : 1024; }
    double LineUnits() const;
    void Log(double t, const std::string &fields);

    Config config_;
    std::ostream *log_ = nullptr; // JSON lines, or none
    Words ram_{};                 // working parameter set
    Words eeprom_{};              // stored parameter set
    bool calibrating_ = false;    // between calibration sub-commands 1 and 0
    bool reading_ = true;         // the line is read (see StopReading)
    double dynpower_ = 0.0;       // illumination power in use, 0..1000
    u16 anaMax_ = 0;              // analog output maximum since the last reset
    u16 anaMin_ = 0;              // analog output minimum since the last reset
    u16 count_ = 0;               // measurements taken, wraps
    Measurement last_;            // the last measurement
    VideoLine video_{};           // the video line of the last measurement
    bool haveVideo_ = false;      // a measurement has produced video_
    double replayStart_ = -1.0;   // time of the first measurement of a replay; -1: none yet
    std::mt19937 noise_;          // measurement and video noise
    std::mt19937 junk_;           // junk bytes of the faults

    std::vector<std::uint8_t> in_;      // received bytes not yet taken as a frame
    std::vector<double> inRead_;        // read time of each byte of in_
    std::vector<std::uint8_t> skipped_; // junk waiting to be logged
    double inClock_ = 0.0;              // modelled arrival of the last byte received
    double lastRead_ = -1.0;            // read time of the last byte received
    long frames_ = 0;                   // frames received
    long answers_ = 0;                  // answers (frames and blocks) sent
    std::deque<Burst> out_;             // answers being sent
    double lineFree_ = 0.0;             // when the outgoing line falls idle
    double hangupAt_ = -1.0;            // when the line drops; -1: never
    double origin_ = 0.0;               // added to times for the log's clock stamps
    std::deque<Mark> marks_;            // answers not yet written to the end (with a log)
    std::uint64_t queued_ = 0;          // bytes put on the line since power-up
    std::uint64_t written_ = 0;         // of those, written to the line
};

} // namespace sim
