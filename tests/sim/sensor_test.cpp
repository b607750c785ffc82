// The simulated sensor as a state machine, driven with a clock of our own:
// what each command gets back, the object, the line model and the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "sensor.h"

using namespace sim;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(int code, const Words &w = {}) {
    Bytes b(kFrameLen);
    PutWord(b.data(), kCommandSync);
    PutWord(b.data() + 2, static_cast<u16>(code));
    for (int i = 0; i < kWords; ++i)
        PutWord(b.data() + 4 + 2 * i, w[i]);
    return b;
}

Words ReplyWords(const Bytes &b) {
    Words w{};
    for (int i = 0; i < kWords; ++i)
        w[i] = GetWord(b.data() + 4 + 2 * i);
    return w;
}

// Sends a command at time t and takes everything answered by t + 10 s.
Bytes Exchange(Sensor &s, int code, const Words &w = {}, double t = 1.0) {
    const Bytes f = Frame(code, w);
    s.Receive(f.data(), f.size(), t);
    Bytes out;
    s.TakeDue(t + 10, out);
    return out;
}

Config Instant(const char *model = "t1", int pcb = -1) {
    Config c;
    c.model = MakeModel(*FindPreset(model), pcb);
    c.instant = true;
    return c;
}

} // namespace

// --- What each code gets back -------------------------------------------------

TEST(SensorReplies, LengthAndHeaderPerCode) {
    struct Case {
        int code;
        Words payload;
        std::size_t length;
        bool header; // a reply frame echoing the code
    };
    Words nonzero{};
    nonzero[0] = 500;
    const Case cases[] = {
        {kWriteRam, {}, 0, false},
        {kReadRam, {}, 36, true},
        {kWriteEeprom, {}, 0, false},
        {kReadEeprom, {}, 36, true},
        {kEcho, {}, 36, true},
        {kTeach, {}, 36, true},
        {kFirmware, {}, 72, false},
        {kRun, {}, 36, true},
        {kBlock64, {}, 128, false},
        {kIdentity, {}, 36, true},
        {kBlock256OrReset, nonzero, 36, true},
        {kCalibration, {}, 36, true},
    };
    for (const Case &c : cases) {
        Sensor s(Instant());
        ASSERT_TRUE(s.PowerUp(nullptr));
        const Bytes r = Exchange(s, c.code, c.payload);
        EXPECT_EQ(r.size(), c.length) << "code " << c.code;
        if (c.header && r.size() == 36) {
            EXPECT_EQ(GetWord(r.data()), kReplySync) << "code " << c.code;
            EXPECT_EQ(GetWord(r.data() + 2), c.code);
        }
    }
}

TEST(SensorReplies, EchoCarriesThePayloadBack) {
    Sensor s(Instant());
    Words w{};
    for (int i = 0; i < kWords; ++i)
        w[i] = static_cast<u16>(0x1111 * i + 7);
    EXPECT_EQ(ReplyWords(Exchange(s, kEcho, w)), w);
}

TEST(SensorReplies, ParametersGoToRamOrEeprom) {
    Sensor s(Instant());
    const Words factory = s.Ram();
    Words a = factory, b = factory;
    a[kVThd] = 300;
    b[kVThd] = 700;
    Exchange(s, kWriteRam, a);
    Exchange(s, kWriteEeprom, b);
    EXPECT_EQ(ReplyWords(Exchange(s, kReadRam)), a);
    EXPECT_EQ(ReplyWords(Exchange(s, kReadEeprom)), b);
}

TEST(SensorReplies, EepromSurvivesARestartThroughItsFile) {
    char path[] = "/tmp/vtlx-eeprom-XXXXXX";
    close(mkstemp(path));
    std::remove(path); // a missing file is created with the factory settings
    Config c = Instant();
    c.eepromFile = path;
    Words w{};
    {
        Sensor s(c);
        std::string err;
        ASSERT_TRUE(s.PowerUp(&err)) << err;
        w = s.Eeprom();
        w[kTVal] = 4321;
        Exchange(s, kWriteEeprom, w);
    }
    Sensor again(c);
    ASSERT_TRUE(again.PowerUp(nullptr));
    EXPECT_EQ(ReplyWords(Exchange(again, kReadEeprom)), w);
    EXPECT_EQ(again.Ram(), w); // power-up loads RAM from the EEPROM

    // A damaged image stops the sensor from starting rather than being half read.
    for (const char *bad : {"1 2 3\n", "x\n", "70000 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n",
                            "-1 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n"}) {
        std::ofstream(path) << bad;
        Sensor s(c);
        std::string err;
        EXPECT_FALSE(s.PowerUp(&err)) << bad;
        EXPECT_NE(err.find(path), std::string::npos);
    }
    std::remove(path);
}

TEST(SensorReplies, FirmwareTextInBothFormats) {
    for (int pcb : {0, 100, 400}) {
        Config c = Instant("t1", pcb);
        c.firmware = "V1.0";
        Sensor s(c);
        const Bytes r = Exchange(s, kFirmware);
        ASSERT_EQ(r.size(), 72u);
        std::string text;
        if (pcb == 0) {
            for (int k = 0; k < 36 && GetWord(&r[2 * k]); ++k) {
                EXPECT_EQ(r[2 * k], 0) << "high byte of word " << k;
                text += static_cast<char>(r[2 * k + 1]);
            }
        } else {
            text = reinterpret_cast<const char *>(r.data());
        }
        EXPECT_EQ(text, "V1.0") << "pcbtype " << pcb;
    }
}

TEST(SensorReplies, IdentityOfEveryModelRow) {
    // One preset for each row of the family, told apart by type and resolution.
    std::set<std::pair<int, int>> rows;
    for (const ModelPreset &p : Presets()) {
        Config c;
        c.model = MakeModel(p);
        Sensor s(c);
        const Words w = ReplyWords(Exchange(s, kIdentity));
        const Identity &id = s.Settings().model.id;
        const Words want{id.ccdtype, id.ccdmaxpixel,   id.ccdresolution,
                         id.pcbtype, id.ccdmaxpixelX8, id.ccdsubpixel,
                         id.ccdpixB, id.ccdpixE,       id.softversion};
        EXPECT_EQ(w, want) << p.name;
        rows.insert({p.ccdtype, p.ccdtype <= 2 ? p.ccdresolution : 0});
    }
    const std::set<std::pair<int, int>> family = {{1, 30},  {1, 78},  {2, 750}, {2, 350}, {2, 250},
                                                  {2, 0},   {3, 0},   {4, 0},   {101, 0}, {102, 0},
                                                  {103, 0}, {104, 0}, {0, 0}};
    EXPECT_EQ(rows, family);
}

// Guards against positions on a scale other than the tool's pixel limit
// (ccdpixE, times 8 on type-100 boards), which would clamp edges and window.
TEST(SensorReplies, PositionsEndAtThePixelLimitOnEveryBoard) {
    for (const ModelPreset &p : Presets()) {
        for (int pcb : {0, 100, 400}) {
            const Identity id = MakeModel(p, pcb).id;
            const int limit = id.ccdpixE * (pcb == 100 ? 8 : 1);
            EXPECT_EQ(id.ccdmaxpixelX8, limit) << p.name << " on " << pcb;
            EXPECT_EQ(id.ccdsubpixel, limit) << p.name << " on " << pcb;
        }
    }
}

TEST(SensorReplies, OverridesChangeTheReportedWords) {
    Model m = MakeModel(*FindPreset("t103"), 100, 220);
    EXPECT_EQ(m.id.pcbtype, 100);
    EXPECT_EQ(m.id.ccdmaxpixelX8, 1180 * 8); // type-100 boards count eighths
    EXPECT_TRUE(m.video8bit);
    EXPECT_TRUE(OverrideIdentity(m, "ccdpixE", 1180));
    EXPECT_TRUE(OverrideIdentity(m, "softversion", 219));
    EXPECT_FALSE(m.video8bit);
    EXPECT_FALSE(OverrideIdentity(m, "nosuchword", 1));
}

// --- The measured object --------------------------------------------------------

TEST(SensorObject, RunReplyFollowsTheEvaluationModeAndCalibration) {
    for (const char *model : {"t1", "t104"}) {
        for (u16 mode : {0, 1, 2, 3}) {
            Config c = Instant(model);
            c.period = 0; // object still in the middle: two edges
            Sensor s(c);
            Words w = s.Ram();
            w[kEMode] = mode;
            w[kSlope] = 3000;
            w[kIntersect] = 30100;
            Exchange(s, kWriteRam, w);
            const Words r = ReplyWords(Exchange(s, kRun, w));
            const u16 L = r[0], R = r[1], M = r[2];
            ASSERT_EQ(r[7], 2) << model;
            const u16 want[] = {L, R, static_cast<u16>(R - L), static_cast<u16>((L + R) / 2)};
            EXPECT_EQ(M, want[mode]) << model << " mode " << mode;
            const double m = std::string(model) == "t104" ? 512 : 1024;
            const std::int32_t um = static_cast<std::int32_t>(r[4] << 16 | r[3]);
            EXPECT_EQ(um, static_cast<std::int32_t>(std::trunc(M * 3000 / m + 100))) << model;
            EXPECT_EQ(r[5], w[kTVal]);
            EXPECT_EQ(r[6], w[kTTol]);
        }
    }
}

TEST(SensorObject, EdgeCountAndShadowSideOverTwoSweeps) {
    Config c = Instant();
    c.period = 60;
    Sensor s(c);
    std::set<int> counts;
    bool leftSide = false, rightSide = false;
    for (double t = 0; t < 120; t += 0.25) {
        const Words r = ReplyWords(Exchange(s, kRun, {}, t));
        double left = 0, right = 0;
        s.ObjectAt(t, &left, &right);
        counts.insert(r[7]);
        if (r[7] == 1) {
            // One edge: its position is in Ledge, Redge is 0, and the darker
            // end of the window is the shadow's side.
            EXPECT_EQ(r[1], 0);
            const bool shadowLeft = left < 0;
            (shadowLeft ? leftSide : rightSide) = true;
            EXPECT_EQ(r[8] < r[9], shadowLeft) << "t " << t;
            EXPECT_NEAR(r[0], shadowLeft ? right : left, 40) << "t " << t;
        }
        if (r[7] == 0) {
            EXPECT_EQ(r[0] | r[1] | r[2], 0);
        }
    }
    EXPECT_EQ(counts, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(leftSide && rightSide); // the object leaves by both ends
}

TEST(SensorObject, VideoLineAgreesWithTheEdges) {
    for (const char *model : {"t1", "t3", "t104"}) {
        Config c = Instant(model);
        c.period = 0;
        Sensor s(c);
        const Words r = ReplyWords(Exchange(s, kRun, s.Ram()));
        const double units = s.Settings().model.id.ccdmaxpixelX8;
        const double thd = s.Settings().model.video8bit ? s.Ram()[kVThd] / 4.0 : s.Ram()[kVThd];
        for (int i = 0; i < kVideoSamples; ++i) {
            const double x = (i + 0.5) * units / kVideoSamples;
            const double margin = 2 * units / kVideoSamples; // two samples around an edge
            if (x < r[0] - margin || x > r[1] + margin) {
                EXPECT_GT(s.Video()[i], thd) << model << " sample " << i;
            }
            if (x > r[0] + margin && x < r[1] - margin) {
                EXPECT_LT(s.Video()[i], thd) << model << " sample " << i;
            }
        }
    }
}

TEST(SensorObject, BlocksCarryTheLastVideoLine) {
    Sensor s(Instant("t104")); // pcbtype 400: the 256-word block exists
    Exchange(s, kRun);
    Bytes four;
    for (u16 first : {0, 64, 128, 192}) {
        Words w{};
        w[0] = first;
        w[1] = first == 192;
        const Bytes b = Exchange(s, kBlock64, w);
        ASSERT_EQ(b.size(), 128u);
        four.insert(four.end(), b.begin(), b.end());
    }
    const Bytes one = Exchange(s, kBlock256OrReset);
    ASSERT_EQ(one.size(), 512u);
    EXPECT_EQ(four, one);
    for (int i = 0; i < kVideoSamples; ++i)
        EXPECT_EQ(GetWord(&one[2 * i]), s.Video()[i]);
    EXPECT_LE(*std::max_element(s.Video().begin(), s.Video().end()), 1023);
}

TEST(SensorObject, Code11IsABlockOrAReset) {
    struct Case {
        const char *model;
        bool zeroPayload;
        std::size_t length;
    };
    const Case cases[] = {{"t3", true, 36},    // pcbtype 0: always the reset
                          {"t1", true, 36},    // pcbtype 100: always the reset
                          {"t104", true, 512}, // pcbtype 400, all zero: the block
                          {"t104", false, 36}};
    for (const Case &c : cases) {
        Sensor s(Instant(c.model));
        const Words before = ReplyWords(Exchange(s, kRun, s.Ram()));
        Words w{};
        if (!c.zeroPayload) w = before;
        const Bytes r = Exchange(s, kBlock256OrReset, w);
        ASSERT_EQ(r.size(), c.length) << c.model;
        if (r.size() != 36) continue;
        const Words reset = ReplyWords(r);
        EXPECT_EQ(reset[11], 0);
        EXPECT_EQ(reset[12], s.Settings().model.id.ccdmaxpixelX8 - 1);
        const Words after = ReplyWords(Exchange(s, kRun, s.Ram(), 2.0));
        EXPECT_EQ(after[11], after[2]); // max and min start again from the next value
        EXPECT_EQ(after[12], after[2]);
    }
}

TEST(SensorObject, TeachTakesTheMeasuredValueAsSetPoint) {
    Config c = Instant();
    c.period = 0;
    Sensor s(c);
    const Words r = ReplyWords(Exchange(s, kTeach));
    EXPECT_NE(r[2], 0);
    EXPECT_EQ(r[5], r[2]);
    EXPECT_EQ(ReplyWords(Exchange(s, kReadRam))[kTVal], r[2]);
}

TEST(SensorObject, CalibrationCommands) {
    Config c = Instant();
    c.period = 0;
    Sensor s(c);
    Words w = s.Ram();
    w[kEMode] = 0;
    Exchange(s, kWriteRam, w);

    Words sub{};
    sub[0] = kCalActivate;
    Words r = ReplyWords(Exchange(s, kCalibration, sub));
    EXPECT_EQ(r[0], w[kSlope]);
    EXPECT_EQ(r[1], w[kIntersect]);
    EXPECT_TRUE(s.Calibrating());
    const Words run = ReplyWords(Exchange(s, kRun, w));
    EXPECT_EQ(run[2], run[1] - run[0]); // the width, whatever the evaluation mode

    sub = {kCalWrite, 2048, 29945};
    r = ReplyWords(Exchange(s, kCalibration, sub));
    EXPECT_EQ(r[0], 2048);
    EXPECT_EQ(r[1], 29945);
    const Words run2 = ReplyWords(Exchange(s, kRun, s.Ram()));
    EXPECT_EQ(static_cast<std::int32_t>(run2[4] << 16 | run2[3]), run2[2] * 2 - 55);

    sub = {kCalStop};
    EXPECT_EQ(ReplyWords(Exchange(s, kCalibration, sub))[0], 2048);
    EXPECT_FALSE(s.Calibrating());
}

TEST(SensorObject, RunTakesASettingsPayloadButNotAReplyPayload) {
    Sensor s(Instant());
    Words w = s.Ram();
    w[kEEnd] = 4000;
    const Words reply = ReplyWords(Exchange(s, kRun, w)); // the run loop's request
    EXPECT_EQ(s.Ram()[kEEnd], 4000);
    Exchange(s, kRun, reply); // video mode sends the last reply back
    EXPECT_EQ(s.Ram(), w);
}

TEST(SensorObject, SameSeedSameAnswers) {
    Config a = Instant(), b = Instant(), other = Instant();
    other.seed = 7;
    Sensor sa(a), sb(b), so(other);
    bool differs = false;
    for (double t = 0; t < 5; t += 0.5) {
        const Bytes ra = Exchange(sa, kRun, {}, t);
        EXPECT_EQ(ra, Exchange(sb, kRun, {}, t));
        differs |= ra != Exchange(so, kRun, {}, t);
    }
    EXPECT_TRUE(differs);
}

// --- Line model ---------------------------------------------------------------------

TEST(SensorLine, PacedAtNineteenTwoHundredBaud) {
    struct Case {
        int code;
        std::size_t length;
    };
    for (const Case c : {Case{kEcho, 36}, Case{kFirmware, 72}, Case{kBlock64, 128}}) {
        Config cfg = Instant();
        cfg.instant = false;
        Sensor s(cfg);
        const Bytes f = Frame(c.code);
        s.Receive(f.data(), f.size(), 10.0); // all 36 bytes read at once
        const double done = 10.0 + (36.0 + c.length) / 1920.0;
        Bytes out;
        s.TakeDue(10.0 + 36 / 1920.0 + 0.0001, out);
        EXPECT_EQ(out.size(), 0u) << "before the request has fully arrived";
        s.TakeDue(done - 0.0003, out);
        EXPECT_EQ(out.size(), c.length - 1) << "code " << c.code;
        EXPECT_NEAR(s.NextDue(), done, 1e-6);
        s.TakeDue(done + 1e-6, out);
        EXPECT_EQ(out.size(), c.length);
    }
}

TEST(SensorLine, InputThatIsNotAFrameIsSkipped) {
    std::ostringstream log;
    Sensor s(Instant());
    s.SetLog(&log);
    Bytes in = {0x13, 0x00, 0x55, 0x00, 0x63, 0x00}; // junk, and a sync with an unknown code
    const Bytes echo = Frame(kEcho);
    in.insert(in.end(), echo.begin(), echo.end());
    s.Receive(in.data(), in.size(), 1.0);
    Bytes out;
    s.TakeDue(2.0, out);
    EXPECT_EQ(out.size(), 36u);
    EXPECT_NE(log.str().find("\"kind\":\"junk\",\"bytes\":\"130055006300\""), std::string::npos)
        << log.str();

    // A frame split over two reads is whole; a partial frame followed by a
    // pause is dropped, and the next frame answered.
    out.clear();
    s.Receive(echo.data(), 20, 3.0);
    s.Receive(echo.data() + 20, 16, 3.01);
    s.Receive(echo.data(), 20, 4.0);
    s.Receive(echo.data(), echo.size(), 5.0);
    s.TakeDue(6.0, out);
    EXPECT_EQ(out.size(), 72u);
    EXPECT_EQ(s.FramesReceived(), 3);
}

TEST(SensorLine, Faults) {
    struct Case {
        const char *name;
        Faults faults;
        std::vector<std::size_t> lengths; // what three echo commands get back
    };
    auto with = [](auto set) {
        Faults f;
        set(f);
        return f;
    };
    const Case cases[] = {
        {"none", {}, {36, 36, 36}},
        {"silent", with([](Faults &f) { f.silent = true; }), {0, 0, 0}},
        {"silent after 2", with([](Faults &f) { f.silentAfter = 2; }), {36, 36, 0}},
        {"ignore 5", with([](Faults &f) { f.ignore = {5}; }), {0, 0, 0}},
        {"ignore 8", with([](Faults &f) { f.ignore = {8}; }), {36, 36, 36}},
        {"short 2", with([](Faults &f) { f.shortReply = 2; }), {36, 30, 36}},
        {"junk 5", with([](Faults &f) { f.junkBefore = 5; }), {41, 41, 41}},
        {"extra 3", with([](Faults &f) { f.extraAfter = 3; }), {39, 39, 39}},
    };
    for (const Case &c : cases) {
        Config cfg = Instant();
        cfg.faults = c.faults;
        Sensor s(cfg);
        std::vector<std::size_t> got;
        for (int i = 0; i < 3; ++i)
            got.push_back(Exchange(s, kEcho, {}, 1.0 + i).size());
        EXPECT_EQ(got, c.lengths) << c.name;
    }

    Config cfg = Instant();
    cfg.faults.wrongSync = true;
    Sensor wrong(cfg);
    EXPECT_EQ(GetWord(Exchange(wrong, kEcho).data()), kWrongSync);

    cfg = Instant();
    cfg.faults.delay = 0.25;
    Sensor late(cfg);
    const Bytes f = Frame(kEcho);
    late.Receive(f.data(), f.size(), 1.0);
    Bytes out;
    late.TakeDue(1.24, out);
    EXPECT_TRUE(out.empty());
    late.TakeDue(1.25, out);
    EXPECT_EQ(out.size(), 36u);

    cfg = Instant();
    cfg.faults.hangupAfter = 2;
    Sensor pulled(cfg);
    Exchange(pulled, kEcho, {}, 1.0);
    EXPECT_FALSE(pulled.LineDown(1.5));
    EXPECT_EQ(Exchange(pulled, kEcho, {}, 2.0).size(), 36u); // the last answer still leaves
    EXPECT_TRUE(pulled.LineDown(2.0));
    EXPECT_TRUE(Exchange(pulled, kEcho, {}, 3.0).empty());
}

TEST(SensorLine, LogHasOneJsonLinePerFrameAndAnswer) {
    std::ostringstream log;
    Sensor s(Instant());
    s.SetLog(&log);
    Words w{};
    w[0] = 1;
    w[1] = 1;
    Exchange(s, kEcho, w);
    Exchange(s, kBlock64);
    std::istringstream lines(log.str());
    std::vector<std::string> got;
    for (std::string l; std::getline(lines, l);)
        got.push_back(l);
    ASSERT_EQ(got.size(), 4u) << log.str();
    EXPECT_NE(got[0].find("\"dir\":\"rx\",\"kind\":\"frame\",\"code\":5,\"words\":[1,1,0,"),
              std::string::npos);
    EXPECT_NE(got[1].find("\"dir\":\"tx\",\"kind\":\"reply\",\"code\":5,\"sync\":170"),
              std::string::npos);
    EXPECT_NE(got[3].find("\"kind\":\"block\",\"code\":9,\"bytes\":\""), std::string::npos);
    for (const std::string &l : got)
        EXPECT_TRUE(l.front() == '{' && l.back() == '}') << l;
}

// --- Delivery: how the answer's bytes reach the PC ------------------------------

namespace {

struct Handout {
    double at;
    std::size_t count;
};

// Sends code at 10 s (read at once, so complete 36 byte times later) and
// takes every handout the sensor makes, at the moment it falls due.
std::vector<Handout> Handouts(const char *delivery, int code, int latencyMs = kUsbLatencyMs,
                              int frames = 1) {
    Config cfg = Instant("t101");
    cfg.instant = false;
    cfg.delivery = std::string(delivery) == "whole" ? Delivery::kWhole
                   : std::string(delivery) == "usb" ? Delivery::kUsb
                                                    : Delivery::kUart;
    cfg.usbLatencyMs = latencyMs;
    Sensor s(cfg);
    Bytes in;
    for (int i = 0; i < frames; ++i) {
        const Bytes f = Frame(code);
        in.insert(in.end(), f.begin(), f.end());
    }
    s.Receive(in.data(), in.size(), 10.0);
    std::vector<Handout> got;
    Bytes out;
    for (double t = s.NextDue(); std::isfinite(t); t = s.NextDue())
        got.push_back({t, s.TakeDue(t, out)});
    EXPECT_EQ(s.TakeDue(1e9, out), 0u);
    return got;
}

std::size_t Total(const std::vector<Handout> &h) {
    std::size_t n = 0;
    for (const Handout &x : h)
        n += x.count;
    return n;
}

constexpr double kByte = 1 / 1920.0;
constexpr double kReplyStart = 10.0 + 36 * kByte; // the command is complete

} // namespace

TEST(SensorDelivery, UartAndWhole) {
    // Byte by byte, each as its last bit is in.
    const auto uart = Handouts("uart", kRun);
    ASSERT_EQ(uart.size(), 36u);
    for (std::size_t i = 0; i < uart.size(); ++i) {
        EXPECT_EQ(uart[i].count, 1u);
        EXPECT_NEAR(uart[i].at, kReplyStart + (i + 1) * kByte, 1e-6);
    }
    // In one piece when the last byte is complete, a block as well as a frame.
    for (const auto &[code, length] : {std::pair{kRun, 36}, std::pair{kBlock256OrReset, 512}}) {
        const auto whole = Handouts("whole", code);
        ASSERT_EQ(whole.size(), 1u) << code;
        EXPECT_EQ(whole[0].count, std::size_t(length));
        EXPECT_NEAR(whole[0].at, kReplyStart + length * kByte, 1e-6);
    }
    // Two answers back to back are two pieces, the second one line time later.
    const auto two = Handouts("whole", kEcho, 0, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NEAR(two[1].at - two[0].at, 36 * kByte, 1e-6);
}

TEST(SensorDelivery, UsbPacketsLeaveOnTheTimerOrWhenFull) {
    // 16 ms after the first byte, 31 bytes have come; the last 5 wait for
    // the timer started by the 32nd: the reply is whole 32.7 ms after it
    // started instead of 18.75 ms.
    const auto reply = Handouts("usb", kRun);
    ASSERT_EQ(reply.size(), 2u);
    EXPECT_EQ(reply[0].count, 31u);
    EXPECT_NEAR(reply[0].at, kReplyStart + kByte + 0.016, 1e-6);
    EXPECT_EQ(reply[1].count, 5u);
    EXPECT_NEAR(reply[1].at, kReplyStart + 32 * kByte + 0.016, 1e-6);

    // Properties that hold for every timer: no packet above 62 bytes, none
    // later than the timer after its first byte, none before its last byte is
    // in, nothing lost, and with a timer longer than 62 byte times (32.3 ms)
    // the packets are full ones.
    for (int ms : {1, 5, 16, 40, 255}) {
        const auto block = Handouts("usb", kBlock256OrReset, ms);
        ASSERT_EQ(Total(block), 512u) << ms;
        std::size_t before = 0;
        for (const Handout &h : block) {
            EXPECT_GE(h.count, 1u);
            EXPECT_LE(h.count, kUsbPacket) << ms;
            const double first = kReplyStart + (before + 1) * kByte;
            const double last = kReplyStart + (before + h.count) * kByte;
            EXPECT_LE(h.at, first + ms / 1000.0 + 1e-6) << ms;
            EXPECT_GE(h.at, last - 1e-6) << ms;
            if (ms >= 40 && before + kUsbPacket <= 512) {
                EXPECT_EQ(h.count, kUsbPacket) << ms;
            }
            before += h.count;
        }
    }
    // The adapter does not know where an answer ends: two echoes back to back
    // share the packet that straddles them.
    const auto two = Handouts("usb", kEcho, 16, 2);
    ASSERT_EQ(Total(two), 72u);
    ASSERT_EQ(two.size(), 3u);
    EXPECT_EQ(two[1].count, 31u); // bytes 32 to 62: the second echo's first 26 among them
}

TEST(SensorDelivery, LogStampsReadAndWrittenOnTheCallersClock) {
    std::ostringstream log;
    Config cfg = Instant();
    cfg.faults.extraAfter = 3; // the stamp is for the answer's own last byte
    Sensor s(cfg);
    s.SetLog(&log);
    s.SetClockOrigin(1000.0);
    const Bytes f = Frame(kEcho);
    s.Receive(f.data(), 20, 1.25);
    s.Receive(f.data() + 20, 16, 1.3125);
    Bytes out;
    s.TakeDue(2.0, out);
    ASSERT_EQ(out.size(), 39u);
    EXPECT_NE(log.str().find("\"read\":[1001.250000,1001.312500]"), std::string::npos) << log.str();
    s.Wrote(35, 2.0);
    EXPECT_EQ(log.str().find("written"), std::string::npos) << "one byte of the answer is left";
    s.Wrote(1, 2.125);
    s.Wrote(3, 2.25);
    const std::string written =
        "{\"t\":2.125000,\"dir\":\"tx\",\"kind\":\"written\",\"code\":5,\"answer\":\"reply\","
        "\"mono\":1002.125000}\n";
    EXPECT_NE(log.str().find(written), std::string::npos) << log.str();
    EXPECT_EQ(log.str().find("written", log.str().find(written) + written.size()),
              std::string::npos)
        << "one stamp per answer";
}

TEST(SensorLine, RandomBytesNeverUpsetTheParser) {
    Sensor s(Instant());
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> byte(0, 255), chunk(1, 80);
    Bytes out;
    double t = 0;
    for (int i = 0; i < 2000; ++i) {
        Bytes b(chunk(rng));
        for (auto &x : b)
            x = static_cast<std::uint8_t>(byte(rng) < 40 ? (byte(rng) & 1) * 0x55 : byte(rng));
        s.Receive(b.data(), b.size(), t += 0.2); // pauses drop any partial frame
        s.TakeDue(t, out);
    }
    // Whatever came before, the next frame is answered as such.
    out.clear();
    EXPECT_EQ(ReplyWords(Exchange(s, kReadRam, {}, t + 1)), s.Ram());
}
