// The simulated sensor over a real pseudo-terminal, seen from a small PC-side
// client written here (raw bytes, no code of the program), and the
// vortelix-sensorsim executable with its port links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <numeric>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "options.h"
#include "ptyline.h"
#include "waits.h"

extern char **environ;

using namespace sim;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The PC end: opens the port like a serial device, 19200 8N1 raw.
class Client {
  public:
    explicit Client(const std::string &path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            cfsetspeed(&t, B19200);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Client() {
        if (fd_ >= 0) close(fd_);
    }
    bool Ok() const { return fd_ >= 0; }

    void Send(int code, const Words &w = {}) {
        std::uint8_t f[kFrameLen];
        PutWord(f, kCommandSync);
        PutWord(f + 2, static_cast<u16>(code));
        for (int i = 0; i < kWords; ++i)
            PutWord(f + 4 + 2 * i, w[i]);
        ASSERT_EQ(write(fd_, f, sizeof f), kFrameLen);
    }

    // Reads until n bytes came or timeout seconds passed; *hup tells whether
    // the line dropped.
    Bytes Read(std::size_t n, double timeout, bool *hup = nullptr) {
        Bytes b;
        const double end = MonotonicSeconds() + timeout;
        while (b.size() < n) {
            const int ms = static_cast<int>((end - MonotonicSeconds()) * 1000);
            if (ms <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0) break;
            std::uint8_t buf[1024];
            const ssize_t r = read(fd_, buf, std::min(sizeof buf, n - b.size()));
            if (r > 0) {
                b.insert(b.end(), buf, buf + r);
            } else if (r == 0 || (errno != EAGAIN && errno != EINTR) || (p.revents & POLLHUP)) {
                if (hup) *hup = true;
                break;
            }
        }
        return b;
    }

    // Reads n bytes as they come; the size of each read in *pieces, the
    // steady clock (the program's Timer()) when the last one returned in *done.
    void Pieces(std::size_t n, double timeout, std::vector<std::size_t> *pieces, double *done) {
        std::size_t got = 0;
        const double end = MonotonicSeconds() + timeout;
        while (got < n && MonotonicSeconds() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            std::uint8_t buf[1024];
            const ssize_t r = read(fd_, buf, sizeof buf);
            if (r <= 0) continue;
            pieces->push_back(static_cast<std::size_t>(r));
            got += static_cast<std::size_t>(r);
            *done = Steady();
        }
    }

    static double Steady() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    int fd_ = -1;
};

// The numbers after "key":, or inside "key":[...], of each log line that has
// "kind":"kind".
std::vector<std::vector<double>> Stamps(const std::string &log, const char *kind, const char *key) {
    std::vector<std::vector<double>> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("\"" + std::string(key) + "\":");
        if (line.find("\"kind\":\"" + std::string(kind) + "\"") == std::string::npos ||
            at == std::string::npos)
            continue;
        std::vector<double> v;
        const char *p = line.c_str() + at + std::strlen(key) + 3;
        if (*p == '[') ++p;
        for (char *end = nullptr;; p = end + 1) {
            v.push_back(std::strtod(p, &end));
            if (*end != ',') break;
        }
        out.push_back(v);
    }
    return out;
}

Words WordsOf(const Bytes &b) {
    Words w{};
    for (int i = 0; i < kWords && 4 + 2 * i + 1 < static_cast<int>(b.size()); ++i)
        w[i] = GetWord(&b[4 + 2 * i]);
    return w;
}

Config Make(const char *model, bool instant) {
    Config c;
    c.model = MakeModel(*FindPreset(model));
    c.instant = instant;
    return c;
}

std::string TempDir() {
    char d[] = "/tmp/vtlx-simtest-XXXXXX";
    return mkdtemp(d);
}

// A vortelix-sensorsim process with its stdout and stderr on pipes.
struct Process {
    pid_t pid = -1;
    int out = -1, err = -1;

    Process(std::vector<std::string> args, const std::string &xdg = "") {
        int o[2], e[2];
        if (pipe(o) != 0 || pipe(e) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, o[1], 1);
        posix_spawn_file_actions_adddup2(&fa, e[1], 2);
        args.insert(args.begin(), VTLX_SENSORSIM);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char **p = environ; *p; ++p)
            if (std::strncmp(*p, "XDG_RUNTIME_DIR=", 16) != 0) env.emplace_back(*p);
        if (!xdg.empty()) env.push_back("XDG_RUNTIME_DIR=" + xdg);
        std::vector<char *> envp;
        for (auto &s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        posix_spawn(&pid, VTLX_SENSORSIM, &fa, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&fa);
        close(o[1]);
        close(e[1]);
        out = o[0];
        err = e[0];
    }
    ~Process() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(out);
        close(err);
    }

    static std::string ReadAll(int fd, double timeout, bool oneLine) {
        std::string s;
        const double end = MonotonicSeconds() + timeout;
        while (!(oneLine && !s.empty() && s.back() == '\n')) {
            const int ms = static_cast<int>((end - MonotonicSeconds()) * 1000);
            pollfd p{fd, POLLIN, 0};
            if (ms <= 0 || poll(&p, 1, ms) <= 0) break;
            char c[256];
            const ssize_t r = read(fd, c, oneLine ? 1 : sizeof c);
            if (r <= 0) break;
            s.append(c, static_cast<std::size_t>(r));
        }
        return s;
    }
    std::string Line() { return ReadAll(out, 5.0, true); }
    std::string Errors() { return ReadAll(err, 5.0, false); }

    // Exit status, or -1 if it has not ended within timeout seconds.
    int Wait(double timeout) {
        const double end = MonotonicSeconds() + timeout;
        int status = 0;
        while (MonotonicSeconds() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(5000);
        }
        return -1;
    }
};

bool Exists(const std::string &path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

// --- Over the pseudo-terminal ---------------------------------------------------

TEST(SensorOverPty, ThePortSetUpChainAndAVideoFrame) {
    SensorThread sensor(Make("t104", true));
    std::string error;
    ASSERT_TRUE(sensor.Start(&error)) << error;
    Client pc(sensor.SlavePath());
    ASSERT_TRUE(pc.Ok());

    Words w{};
    w[0] = 0x1234;
    pc.Send(kEcho, w);
    Bytes r = pc.Read(36, 2.0);
    ASSERT_EQ(r.size(), 36u);
    EXPECT_EQ(GetWord(r.data()), kReplySync);
    EXPECT_EQ(WordsOf(r)[0], 0x1234);

    pc.Send(kIdentity);
    r = pc.Read(36, 2.0);
    EXPECT_EQ(GetWord(&r[2]), kIdentity);
    EXPECT_EQ(WordsOf(r)[0], 104);
    EXPECT_EQ(WordsOf(r)[3], 400);

    pc.Send(kReadRam);
    const Words ram = sensor.Inspect([](const Sensor &s) { return s.Ram(); });
    EXPECT_EQ(WordsOf(pc.Read(36, 2.0)), ram);

    pc.Send(kFirmware);
    r = pc.Read(72, 2.0);
    ASSERT_EQ(r.size(), 72u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(r.data())).rfind("VORTELIX", 0), 0u);

    pc.Send(kRun, ram);
    EXPECT_EQ(pc.Read(36, 2.0).size(), 36u);
    pc.Send(kBlock256OrReset);
    r = pc.Read(512, 2.0);
    ASSERT_EQ(r.size(), 512u);
    EXPECT_EQ(GetWord(&r[2 * 100]), sensor.Inspect([](const Sensor &s) { return s.Video()[100]; }));
    EXPECT_TRUE(pc.Read(1, 0.05).empty()); // nothing more than asked for
}

TEST(SensorOverPty, PacedExchangeTakesTheLineTime) {
    SensorThread sensor(Make("t1", false));
    std::string error;
    ASSERT_TRUE(sensor.Start(&error)) << error;
    Client pc(sensor.SlavePath());
    std::vector<double> ms;
    for (int i = 0; i < 9; ++i) {
        const double t0 = MonotonicSeconds();
        pc.Send(kRun);
        ASSERT_EQ(pc.Read(36, 1.0).size(), 36u);
        ms.push_back((MonotonicSeconds() - t0) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    EXPECT_GE(ms.front(), 37.0); // never faster than the line
    // How close to the line time it comes is a figure of bench_sim; here only
    // a bound that a stuck line breaks and a slow machine does not.
    EXPECT_LT(ms[ms.size() / 2], 5 * 37.5 * TimeFactor());
}

// A run exchange in each delivery as a client that reads at once sees it: in
// how many pieces the reply comes at most (a slow client merges them; when
// each piece is released the sensor's own tests check on its clock) and when
// it is whole; and the log's stamps on the clock the program's Timer() reads.
TEST(SensorOverPty, EachDeliveryAsTheClientSeesIt) {
    struct Case {
        const char *delivery;
        std::size_t maxPieces; // of the median exchange
        double lineMs;         // request and reply, as the line model has it
    };
    const Case cases[] = {
        {"uart", 36, 37.5},   // byte by byte
        {"whole", 1, 37.5},   // one write, one read
        {"usb:16", 2, 51.4},  // 31 bytes when the timer runs out, 5 after the next
        {"usb:1", 36, 37.97}, // pairs of bytes, the last one a timer late
    };
    for (const Case &c : cases) {
        Config cfg = Make("t1", false);
        ASSERT_TRUE(ParseDelivery(c.delivery, &cfg));
        std::ostringstream log;
        SensorThread sensor(cfg);
        sensor.SetLog(&log);
        std::string error;
        ASSERT_TRUE(sensor.Start(&error)) << error;
        Client pc(sensor.SlavePath());
        struct Exchange {
            double sent, done;
            std::vector<std::size_t> pieces;
        };
        std::vector<Exchange> ex(7);
        for (Exchange &e : ex) {
            e.sent = Client::Steady();
            pc.Send(kRun);
            pc.Pieces(36, 1.0, &e.pieces, &e.done);
            ASSERT_EQ(std::accumulate(e.pieces.begin(), e.pieces.end(), std::size_t(0)), 36u)
                << c.delivery;
        }
        sensor.Stop();
        std::vector<double> ms;
        for (const Exchange &e : ex)
            ms.push_back((e.done - e.sent) * 1000);
        std::sort(ms.begin(), ms.end());
        EXPECT_GE(ms.front(), c.lineMs - 0.5) << c.delivery << ": faster than the line";
        EXPECT_LE(ms[ms.size() / 2], 5 * c.lineMs * TimeFactor()) << c.delivery;
        std::vector<std::size_t> counts;
        for (const Exchange &e : ex) {
            counts.push_back(e.pieces.size());
            EXPECT_LE(*std::max_element(e.pieces.begin(), e.pieces.end()), kUsbPacket);
        }
        std::sort(counts.begin(), counts.end());
        EXPECT_LE(counts[counts.size() / 2], c.maxPieces) << c.delivery;

        // Each request was read between its write and its reply, each reply
        // written once the line time had passed and before the client had it.
        const auto reads = Stamps(log.str(), "frame", "read");
        const auto written = Stamps(log.str(), "written", "mono");
        ASSERT_EQ(reads.size(), ex.size()) << log.str();
        ASSERT_EQ(written.size(), ex.size()) << log.str();
        for (std::size_t i = 0; i < ex.size(); ++i) {
            ASSERT_EQ(reads[i].size(), 2u);
            EXPECT_GE(reads[i][0], ex[i].sent);
            EXPECT_LE(reads[i][0], reads[i][1]);
            EXPECT_GE(written[i][0], reads[i][1] + c.lineMs / 1000 - 0.0005) << c.delivery;
            EXPECT_LE(written[i][0], ex[i].done) << c.delivery;
        }
    }
}

// Guards against closing the line before the PC has read the last answer:
// the kernel throws away what is still in a pseudo-terminal when it closes.
TEST(SensorOverPty, HangUpDropsTheLineAfterTheLastAnswer) {
    Config c = Make("t1", true);
    c.faults.hangupAfter = 1;
    SensorThread sensor(c);
    std::string error;
    ASSERT_TRUE(sensor.Start(&error)) << error;
    Client pc(sensor.SlavePath());
    pc.Send(kEcho);
    EXPECT_EQ(pc.Read(36, 2.0).size(), 36u);
    bool hup = false;
    pc.Read(1, 2.0, &hup);
    EXPECT_TRUE(hup);
    for (int i = 0; i < 200 && !sensor.Ended(); ++i)
        usleep(5000);
    EXPECT_TRUE(sensor.Ended());
}

// --- The executable and its links -------------------------------------------------

TEST(SensorProgram, LinkAppearsAndVanishesOnSignal) {
    for (int sig : {SIGTERM, SIGINT}) {
        const std::string dir = TempDir(), link = dir + "/com7";
        Process p({"--link", link, "--instant"});
        const std::string line = p.Line();
        char target[256] = {0};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << line;
        EXPECT_EQ(line, "vortelix-sensorsim: " + link + " -> " + target + "\n");
        EXPECT_EQ(std::string(target).rfind("/dev/pts/", 0), 0u);
        {
            Client pc(link);
            pc.Send(kEcho);
            EXPECT_EQ(pc.Read(36, 2.0).size(), 36u);
        }
        kill(p.pid, sig);
        EXPECT_EQ(p.Wait(5.0), 0);
        EXPECT_FALSE(Exists(link)) << "signal " << sig;
        rmdir(dir.c_str());
    }
}

TEST(SensorProgram, ComNumberGoesIntoThePrivatePortFolder) {
    const std::string xdg = TempDir(), folder = xdg + "/vortelix-ports";
    {
        Process p({"--com", "3", "--instant"}, xdg);
        const std::string line = p.Line();
        EXPECT_EQ(line.rfind("vortelix-sensorsim: COM3 -> /dev/pts/", 0), 0u) << line;
        struct stat st {};
        ASSERT_EQ(stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_TRUE(Exists(folder + "/com3"));
        kill(p.pid, SIGTERM);
        EXPECT_EQ(p.Wait(5.0), 0);
        EXPECT_FALSE(Exists(folder + "/com3"));
    }
    // A folder others may write to is refused, and no link is made.
    chmod(folder.c_str(), 0777);
    Process p({"--com", "3"}, xdg);
    EXPECT_EQ(p.Wait(5.0), 1);
    EXPECT_NE(p.Errors().find(folder), std::string::npos);
    EXPECT_FALSE(Exists(folder + "/com3"));
    rmdir(folder.c_str());
    rmdir(xdg.c_str());
}

TEST(SensorProgram, StaleLinksAreReplacedLiveOnesKept) {
    const std::string dir = TempDir(), link = dir + "/com1";
    std::string error;
    ASSERT_EQ(symlink("/dev/pts/does-not-exist", link.c_str()), 0);
    EXPECT_TRUE(CreatePortLink(link, "/dev/null", &error)) << error;
    EXPECT_FALSE(CreatePortLink(link, "/dev/zero", &error)); // /dev/null is live
    RemovePortLink(link, "/dev/zero");                       // not ours: stays
    EXPECT_TRUE(Exists(link));
    RemovePortLink(link, "/dev/null");
    EXPECT_FALSE(Exists(link));
    rmdir(dir.c_str());
}

TEST(SensorProgram, CommandLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--com", "0"},
        {"--com"},
        {"--pcb", "5"},
        {"--model", "t9"},
        {"--ignore", "13"},
        {"--id", "foo=1"},
        {"--id", "ccdtype=70000"},
        {"--delay", "-1"},
        {"--short-reply", "x"},
        {"--bogus"},
        {"--com", "1", "--link", "/tmp/x"},
        {"--delivery", "serial"},
        {"--delivery", "usb:0"},
        {"--delivery", "usb:256"},
        {"--delivery", "usb:"},
        {"--instant", "--delivery", "whole"},
    };
    for (const auto &args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(ParseOptions(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--model", "t103", "--pcb", "100", "--id", "ccdpixE=1180", "--ignore",
                              "7,9", "--short-reply", "3:10", "--delay", "20"},
                             &o, &error))
        << error;
    EXPECT_EQ(o.config.model.id.ccdtype, 103);
    EXPECT_EQ(o.config.model.id.ccdpixE, 1180);
    EXPECT_EQ(o.config.faults.ignore, (std::set<int>{7, 9}));
    EXPECT_EQ(o.config.faults.shortLen, 10);
    EXPECT_DOUBLE_EQ(o.config.faults.delay, 0.02);
    EXPECT_EQ(o.config.delivery, Delivery::kUart);
    for (const auto &[text, latency] : {std::pair{"usb", 16}, std::pair{"usb:1", 1}}) {
        ASSERT_TRUE(ParseOptions({"--delivery", text}, &o, &error)) << error;
        EXPECT_EQ(o.config.delivery, Delivery::kUsb);
        EXPECT_EQ(o.config.usbLatencyMs, latency);
        EXPECT_EQ(DeliveryName(o.config), "usb:" + std::to_string(latency));
    }

    // Every option that ParseOptions knows is in the help text.
    for (const char *opt :
         {"--com",          "--link",        "--instant", "--log",          "--model",
          "--pcb",          "--softversion", "--id",      "--firmware",     "--eeprom",
          "--period",       "--seed",        "--silent",  "--silent-after", "--ignore",
          "--wrong-sync",   "--short-reply", "--junk",    "--extra",        "--delay",
          "--hangup-after", "--list-models", "--help",    "--delivery"})
        EXPECT_NE(Usage().find(std::string("  ") + opt + " "), std::string::npos) << opt;
}
