// The simulated sensor: command handling, the parameter sets, the line model.
#include "sensor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

namespace sim {

namespace {

constexpr double kDueSlack = 1e-9; // s: a byte due at now is not missed by rounding

std::string Hex(const std::uint8_t *p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string WordList(const std::uint8_t *p) {
    std::string s = "[";
    for (int i = 0; i < kWords; ++i) {
        if (i) s += ',';
        s += std::to_string(GetWord(p + 4 + 2 * i));
    }
    return s + "]";
}

// A clock reading in seconds, to the microsecond.
std::string Stamp(double t) {
    char s[32];
    std::snprintf(s, sizeof s, "%.6f", t);
    return s;
}

// A run request carries the PC's parameter set, except in video mode, where
// it carries back the words of the previous reply. The sensor takes the
// payload as its new working set only when every word lies in the range the
// tool itself allows.
bool LooksLikeSettings(const Words &w, const Identity &id) {
    return w[kPower] <= 1000 && w[kTolMode] <= 6 && w[kVThd] >= 50 && w[kVThd] <= 950 &&
           w[kAnaMode] <= 5 && w[kPolarity] <= 1 && w[kEMode] <= 4 && w[kEBeg] <= id.ccdsubpixel &&
           w[kEEnd] >= 1 && w[kEEnd] <= id.ccdsubpixel && w[kTTol] >= 1 && w[kEHardware] <= 3 &&
           w[kSlope] != 65535 && w[kIntersect] <= 60000 && w[kAverage] <= 1024 && w[kPowMode] <= 2;
}

} // namespace

Sensor::Sensor(Config config)
    : config_(std::move(config)), noise_(config_.seed), junk_(config_.seed ^ 0x5A5A5A5Au) {
    eeprom_ = FactorySettings(config_.model);
    ram_ = eeprom_;
    dynpower_ = ram_[kPower];
    anaMax_ = 0;
    anaMin_ = static_cast<u16>(config_.model.id.ccdmaxpixelX8 - 1);
    if (config_.faults.hangupAfter == 0) hangupAt_ = 0; // no frame answered at all
}

Words Sensor::FactorySettings(const Model &model) {
    const double units = std::max<double>(1, model.id.ccdmaxpixelX8);
    const double m = model.id.ccdtype == 104 ? 512 : 1024;
    const double slope = std::min(65000.0, std::round(model.umPerUnit * m));
    Words w{};
    w[kPower] = 500;
    w[kTolMode] = 0;
    w[kVThd] = 512;
    w[kAnaMode] = 0;
    w[kPolarity] = 1;
    w[kEMode] = 2;
    w[kEBeg] = 1;
    w[kEEnd] = model.id.ccdsubpixel;
    w[kTVal] = static_cast<u16>(std::lround(0.22 * units));
    w[kTTol] = static_cast<u16>(std::max(1L, std::lround(0.02 * units)));
    w[kOpMode] = 0;
    w[kEHardware] = 1;
    w[kSlope] = static_cast<u16>(slope);
    w[kIntersect] = 30000;
    w[kAverage] = 1;
    w[kPowMode] = 0;
    return w;
}

bool Sensor::PowerUp(std::string *error) {
    if (!config_.eepromFile.empty()) {
        std::ifstream in(config_.eepromFile);
        if (in) {
            // The parameter-file layout: sixteen unsigned decimal numbers, one a line.
            Words w{};
            int n = 0;
            std::string token;
            while (in >> token) {
                char *end = nullptr;
                const unsigned long v = std::strtoul(token.c_str(), &end, 10);
                if (*end != '\0' || token[0] == '-' || v > 65535 || n == kWords) {
                    *error = config_.eepromFile + ": not an EEPROM image (16 numbers 0..65535)";
                    return false;
                }
                w[n++] = static_cast<u16>(v);
            }
            if (n != kWords) {
                *error = config_.eepromFile + ": not an EEPROM image (16 numbers 0..65535)";
                return false;
            }
            eeprom_ = w;
        } else if (!SaveEeprom(error)) {
            return false;
        }
    }
    ram_ = eeprom_;
    dynpower_ = std::min<double>(ram_[kPower], 1000);
    return true;
}

bool Sensor::SaveEeprom(std::string *error) const {
    if (config_.eepromFile.empty()) return true;
    // Written beside the file and renamed over it, so a crash never leaves half an image.
    const std::string tmp = config_.eepromFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        for (u16 w : eeprom_) {
            char line[16];
            std::snprintf(line, sizeof line, "%5u\n", static_cast<unsigned>(w));
            out << line;
        }
        out.flush();
        if (!out) {
            if (error) *error = tmp + ": cannot write the EEPROM image";
            return false;
        }
    }
    if (std::rename(tmp.c_str(), config_.eepromFile.c_str()) != 0) {
        if (error) *error = config_.eepromFile + ": cannot write the EEPROM image";
        return false;
    }
    return true;
}

void Sensor::Log(double t, const std::string &fields) {
    if (!log_) return;
    *log_ << "{\"t\":" << Stamp(t) << ',' << fields << "}\n";
    log_->flush();
}

void Sensor::Receive(const std::uint8_t *data, std::size_t n, double t) {
    if (hangupAt_ >= 0) return; // the line is down, or about to be
    if (!in_.empty() && lastRead_ >= 0 && t - lastRead_ > kInterByteGap) {
        // A pause inside a frame: the rest is not coming.
        skipped_.insert(skipped_.end(), in_.begin(), in_.end());
        in_.clear();
        inRead_.clear();
        FlushJunk(lastRead_);
    }
    lastRead_ = t;
    for (std::size_t i = 0; i < n; ++i) {
        inClock_ = config_.instant ? t : std::max(inClock_, t) + 1.0 / kBytesPerSecond;
        in_.push_back(data[i]);
        inRead_.push_back(t);
        Parse(inClock_);
    }
    FlushJunk(t);
}

// Takes every complete frame out of in_; bytes before a frame start are junk.
void Sensor::Parse(double arrival) {
    for (;;) {
        std::size_t skip = 0;
        while (skip < in_.size()) {
            const std::size_t k = in_.size() - skip;
            const std::uint8_t *p = in_.data() + skip;
            const bool bad = p[0] != 0x00 || (k >= 2 && p[1] != 0x55) ||
                             (k >= 4 && (p[2] != 0 || p[3] < kFirstCode || p[3] > kLastCode));
            if (!bad) break;
            ++skip;
        }
        if (skip) {
            skipped_.insert(skipped_.end(), in_.begin(), in_.begin() + skip);
            in_.erase(in_.begin(), in_.begin() + skip);
            inRead_.erase(inRead_.begin(), inRead_.begin() + skip);
        }
        if (in_.size() < static_cast<std::size_t>(kFrameLen)) return;
        FlushJunk(arrival);
        std::uint8_t frame[kFrameLen];
        std::copy(in_.begin(), in_.begin() + kFrameLen, frame);
        const double readFirst = inRead_.front(), readLast = inRead_[kFrameLen - 1];
        in_.erase(in_.begin(), in_.begin() + kFrameLen);
        inRead_.erase(inRead_.begin(), inRead_.begin() + kFrameLen);
        Handle(frame, arrival, readFirst, readLast);
    }
}

void Sensor::FlushJunk(double t) {
    if (skipped_.empty()) return;
    Log(t, "\"dir\":\"rx\",\"kind\":\"junk\",\"bytes\":\"" + Hex(skipped_.data(), skipped_.size()) +
               "\"");
    skipped_.clear();
}

void Sensor::Handle(const std::uint8_t *frame, double t, double readFirst, double readLast) {
    const int code = GetWord(frame + 2);
    Words p{};
    for (int i = 0; i < kWords; ++i)
        p[i] = GetWord(frame + 4 + 2 * i);
    ++frames_;

    const Faults &f = config_.faults;
    const char *dropped = nullptr;
    if (f.silent)
        dropped = "silent";
    else if (f.silentAfter >= 0 && frames_ > f.silentAfter)
        dropped = "silent-after";
    else if (f.ignore.count(code))
        dropped = "ignored";
    Log(t, "\"dir\":\"rx\",\"kind\":\"frame\",\"code\":" + std::to_string(code) +
               ",\"words\":" + WordList(frame) + ",\"read\":[" + Stamp(origin_ + readFirst) + ',' +
               Stamp(origin_ + readLast) + ']' +
               (dropped ? std::string(",\"dropped\":\"") + dropped + "\"" : std::string()));
    if (dropped) return;

    switch (code) {
    case kWriteRam: ram_ = p; break; // not answered
    case kWriteEeprom:
        eeprom_ = p;
        if (std::string err; !SaveEeprom(&err)) {
            for (char &c : err) // keep the log line valid JSON
                if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '?';
            Log(t, "\"kind\":\"error\",\"text\":\"" + err + "\"");
        }
        break; // not answered
    case kReadRam: SendFrame(code, ram_, t); break;
    case kReadEeprom: SendFrame(code, eeprom_, t); break;
    case kEcho: SendFrame(code, p, t); break;
    case kTeach: {
        Measurement m = Measure(t);
        if (m.Mvalue != 0) ram_[kTVal] = m.Mvalue; // nothing to teach without a value
        m.tVal = ram_[kTVal];
        last_ = m;
        SendFrame(code, m.ToWords(), t);
        break;
    }
    case kFirmware: SendBlock(code, FirmwareBlock(), t); break;
    case kRun:
        if (LooksLikeSettings(p, config_.model.id)) ram_ = p;
        SendFrame(code, Measure(t).ToWords(), t);
        break;
    case kBlock64: SendBlock(code, VideoBlock(p[0], 64), t); break;
    case kIdentity: {
        Words w{};
        u16 id[kIdentityWords];
        IdentityWords(config_.model.id, id);
        std::copy(id, id + kIdentityWords, w.begin());
        SendFrame(code, w, t);
        break;
    }
    case kBlock256OrReset: {
        const bool zero = std::all_of(p.begin(), p.end(), [](u16 w) { return w == 0; });
        const u16 pcb = config_.model.id.pcbtype;
        if (zero && pcb != 0 && pcb != 100) {
            SendBlock(code, VideoBlock(0, 256), t);
        } else {
            // Reset of the analog extremes; answered with the last measurement
            // as it now stands, so the frame reads sensibly as a run reply too.
            anaMax_ = 0;
            anaMin_ = static_cast<u16>(config_.model.id.ccdmaxpixelX8 - 1);
            last_.anaMax = anaMax_;
            last_.anaMin = anaMin_;
            SendFrame(code, last_.ToWords(), t);
        }
        break;
    }
    case kCalibration: {
        if (p[0] == kCalActivate) calibrating_ = true;
        if (p[0] == kCalStop) calibrating_ = false;
        if (p[0] == kCalWrite) {
            ram_[kSlope] = p[1];
            ram_[kIntersect] = p[2];
        }
        Words w{};
        w[0] = ram_[kSlope];
        w[1] = ram_[kIntersect];
        w[2] = calibrating_ ? 1 : 0;
        SendFrame(code, w, t);
        break;
    }
    default: break; // the parser lets no other code through
    }

    if (f.hangupAfter >= 0 && frames_ >= f.hangupAfter && hangupAt_ < 0) {
        hangupAt_ = std::max(lineFree_, t);
        Log(hangupAt_, "\"kind\":\"hangup\"");
    }
}

void Sensor::SendFrame(int code, const Words &words, double t) {
    std::vector<std::uint8_t> b(kFrameLen);
    PutWord(b.data(), config_.faults.wrongSync ? kWrongSync : kReplySync);
    PutWord(b.data() + 2, static_cast<u16>(code));
    for (int i = 0; i < kWords; ++i)
        PutWord(b.data() + 4 + 2 * i, words[i]);
    Log(t, "\"dir\":\"tx\",\"kind\":\"reply\",\"code\":" + std::to_string(code) + ",\"sync\":" +
               std::to_string(GetWord(b.data())) + ",\"words\":" + WordList(b.data()));
    Transmit(std::move(b), t, code, "reply");
}

void Sensor::SendBlock(int code, std::vector<std::uint8_t> bytes, double t) {
    Log(t, "\"dir\":\"tx\",\"kind\":\"block\",\"code\":" + std::to_string(code) + ",\"bytes\":\"" +
               Hex(bytes.data(), bytes.size()) + "\"");
    Transmit(std::move(bytes), t, code, "block");
}

// Puts an answer on the line with the faults that change what is sent.
void Sensor::Transmit(std::vector<std::uint8_t> bytes, double t, int code, const char *kind) {
    const Faults &f = config_.faults;
    ++answers_;
    if (f.shortReply == answers_ && static_cast<std::size_t>(f.shortLen) < bytes.size()) {
        bytes.resize(std::max(0, f.shortLen));
        Log(t, "\"dir\":\"tx\",\"kind\":\"short\",\"sent\":" + std::to_string(bytes.size()));
    }
    const bool cut = f.cutAnswer == answers_ && hangupAt_ < 0;
    if (cut) bytes.resize(std::min(bytes.size(), static_cast<std::size_t>(std::max(0, f.cutByte))));
    auto junkOf = [&](int n) {
        std::uniform_int_distribution<int> byte(0, 255);
        std::vector<std::uint8_t> junk(std::max(0, n));
        for (auto &b : junk)
            b = static_cast<std::uint8_t>(byte(junk_));
        if (!junk.empty())
            Log(t, "\"dir\":\"tx\",\"kind\":\"junk\",\"bytes\":\"" + Hex(junk.data(), junk.size()) +
                       "\"");
        return junk;
    };
    std::vector<std::uint8_t> junk = junkOf(f.junkBefore);
    std::vector<std::uint8_t> extra = junkOf(f.extraAfter);
    if (f.burstAfter == answers_) {
        const std::vector<std::uint8_t> burst = junkOf(f.burstLen);
        extra.insert(extra.end(), burst.begin(), burst.end());
    }
    if (cut) extra.clear();
    const std::size_t holdAt =
        f.holdAnswer == answers_ && static_cast<std::size_t>(f.holdByte) < bytes.size()
            ? junk.size() + static_cast<std::size_t>(std::max(0, f.holdByte))
            : std::numeric_limits<std::size_t>::max();
    junk.insert(junk.end(), bytes.begin(), bytes.end());
    if (log_ && !bytes.empty() && !cut) marks_.push_back(Mark{queued_ + junk.size(), code, kind});
    junk.insert(junk.end(), extra.begin(), extra.end());

    const double start = std::max(t + f.delay, lineFree_);
    lineFree_ = config_.instant ? start : start + junk.size() / kBytesPerSecond;
    if (cut) {
        hangupAt_ = lineFree_;
        Log(hangupAt_, "\"kind\":\"hangup\",\"after\":" + std::to_string(junk.size()));
    }
    if (junk.empty()) return; // an answer cut to nothing
    const std::size_t size = junk.size();
    if (holdAt < size) Log(t, "\"dir\":\"tx\",\"kind\":\"hold\",\"at\":" + std::to_string(holdAt));
    queued_ += size;
    out_.push_back(Burst{start, std::move(junk), 0, std::min(holdAt, size)});
}

void Sensor::ReleaseHeld(double now) {
    if (!Holding()) return;
    Burst &held = out_.front();
    // The rest leaves as if the line had paused until now.
    const double pause = std::max(0.0, now - Arrival(held, held.sent) + 1 / kBytesPerSecond);
    held.holdAt = held.bytes.size();
    for (Burst &b : out_)
        b.start += pause;
    lineFree_ += pause;
    Log(now, "\"dir\":\"tx\",\"kind\":\"released\"");
}

// When byte i of b is complete on the line: one byte every 1/1920 s from the
// burst's start, each once its last bit is in.
double Sensor::Arrival(const Burst &b, std::size_t i) const {
    return config_.instant ? b.start : b.start + (i + 1) / kBytesPerSecond;
}

Sensor::Release Sensor::NextRelease() const {
    constexpr Release kNone{std::numeric_limits<double>::infinity(), 0};
    if (out_.empty()) return kNone;
    const Burst &b = out_.front();
    // Bytes up to a hold leave as the whole burst would; the rest waits.
    const std::size_t end = b.holdAt;
    if (b.sent == end) return kNone;
    if (config_.instant) return {b.start, end - b.sent};
    switch (config_.delivery) {
    case Delivery::kUart: return {Arrival(b, b.sent), 1};
    case Delivery::kWhole: return {Arrival(b, end - 1), end - b.sent};
    case Delivery::kUsb: break;
    }
    // The adapter gathers the bytes as they come off the line, answers that
    // follow each other included, and sends what it holds as one packet when
    // the packet is full or when the latency timer, started by the first byte
    // it holds, runs out, whichever comes first.
    const double timer = Arrival(b, b.sent) + config_.usbLatencyMs / 1000.0;
    std::size_t n = 0;
    for (const Burst &q : out_) {
        for (std::size_t i = &q == &b ? q.sent : 0; i < q.bytes.size(); ++i) {
            const double a = Arrival(q, i);
            if (a > timer + kDueSlack) return {timer, n};
            if (++n == kUsbPacket) return {a, n};
            if (i + 1 == q.holdAt && q.holdAt < q.bytes.size()) return {timer, n};
        }
    }
    return {timer, n};
}

// Moves count bytes from the front of what is being sent to out.
std::size_t Sensor::Hand(std::size_t count, std::vector<std::uint8_t> &out) {
    std::size_t left = count;
    while (left > 0 && !out_.empty()) {
        Burst &b = out_.front();
        const std::size_t n = std::min(left, b.holdAt - b.sent);
        out.insert(out.end(), b.bytes.begin() + b.sent, b.bytes.begin() + b.sent + n);
        b.sent += n;
        left -= n;
        if (b.sent == b.bytes.size())
            out_.pop_front();
        else if (b.sent == b.holdAt)
            break;
    }
    return count - left;
}

std::size_t Sensor::TakeDue(double now, std::vector<std::uint8_t> &out) {
    std::size_t taken = 0;
    for (Release r = NextRelease(); r.count > 0 && r.at <= now + kDueSlack; r = NextRelease())
        taken += Hand(r.count, out);
    return taken;
}

double Sensor::NextDue() const {
    return NextRelease().at;
}

void Sensor::Wrote(std::size_t n, double t) {
    written_ += n;
    while (!marks_.empty() && marks_.front().end <= written_) {
        const Mark &m = marks_.front();
        Log(t, "\"dir\":\"tx\",\"kind\":\"written\",\"code\":" + std::to_string(m.code) +
                   ",\"answer\":\"" + m.kind + "\",\"mono\":" + Stamp(origin_ + t));
        marks_.pop_front();
    }
}

std::vector<std::uint8_t> Sensor::FirmwareBlock() const {
    std::string text = config_.firmware;
    if (text.empty()) {
        char buf[64];
        const unsigned v = config_.model.id.softversion;
        std::snprintf(buf, sizeof buf, "VORTELIX CCD-line sensor V%u.%02u (simulated)", v / 100,
                      v % 100);
        text = buf;
    }
    std::vector<std::uint8_t> b(kFirmwareLen, 0);
    if (config_.model.id.pcbtype == 0) {
        // One character per big-endian word, the high byte zero; the last
        // word stays zero as the terminator.
        const std::size_t n = std::min<std::size_t>(text.size(), kFirmwareLen / 2 - 1);
        for (std::size_t i = 0; i < n; ++i)
            b[2 * i + 1] = static_cast<std::uint8_t>(text[i]);
    } else {
        const std::size_t n = std::min<std::size_t>(text.size(), kFirmwareLen - 1);
        std::copy(text.begin(), text.begin() + n, b.begin());
    }
    return b;
}

std::vector<std::uint8_t> Sensor::VideoBlock(int first, int count) const {
    std::vector<std::uint8_t> b(2 * count, 0);
    for (int k = 0; k < count; ++k) {
        const int i = first + k;
        // Samples past the end of the line read as 0.
        const u16 v = haveVideo_ && i < kVideoSamples ? video_[i] : 0;
        PutWord(b.data() + 2 * k, v);
    }
    return b;
}

} // namespace sim
