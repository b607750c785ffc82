// vortelix-monitor as a service sees it: started as a child process on a
// simulated sensor (COM1), publishing to a broker the test runs.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "monitorfixture.h"

namespace {

// A wrong setting is one line naming it, exit code 2, and nothing on the
// line or at the broker.
TEST_F(Monitor, RefusesABadConfiguration) {
    struct Case {
        const char *what;
        std::vector<std::string> args; // "@conf", "@pw644" are files made here
        const char *says;
    };
    const std::vector<Case> cases = {
        {"unknown key", {"--config", "@conf"}, "unknown key 'colour' in "},
        {"bad URL", {"--broker", "http://127.0.0.1:1"}, "bad --broker 'http://127.0.0.1:1'"},
        {"URL port", {"--broker", "mqtt://127.0.0.1:99999"}, "bad --broker"},
        {"password file for all",
         {"--username", "u", "--password-file", "@pw644"},
         "may be read by others"},
        {"missing CA file",
         {"--broker", "mqtts://127.0.0.1:1", "--cafile", "/nonexistent/ca.pem"},
         "cannot read CA file /nonexistent/ca.pem"},
        {"unknown option", {"--colour", "red"}, "Unknown option 'colour'"},
        {"broker's own topic", {"--topic", "$SYS/line"}, "bad --topic '$SYS/line'"},
        {"discovery prefix", {"--discovery", "homeassistant/"}, "bad --discovery"},
        {"no record folder", {"--record", "/nonexistent"}, "bad --record '/nonexistent'"},
        {"record in a file", {"--record", "@pw644"}, "not a folder this user may write in"},
        {"commands neither on nor off", {"--commands", "yes"}, "bad --commands 'yes': on or off"},
    };
    const std::string conf = file("bad.conf", "broker = " + broker.url() + "\ncolour = red\n");
    const std::string pw = file("pw", "secret\n", 0644);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args;
        for (const std::string &a : c.args)
            args.push_back(a == "@conf" ? conf : a == "@pw644" ? pw : a);
        const Child bad = start(args);
        EXPECT_EQ(WaitExit(bad, 20), 2);
        const std::string err = ReadFile(bad.err);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    child.pid = -1;
    ASSERT_TRUE(reader.marker("vtlx-test/end"));
    for (const MqttMessage &m : reader.messages())
        EXPECT_EQ(m.topic.rfind("vtlx-test/", 0), 0u) << m.topic << " " << m.payload;
    EXPECT_TRUE(sensor.framesReceived().empty());
}

// Online while it runs; offline through the last will on kill -9, and
// published by the monitor itself on SIGTERM, which ends it with 0.
TEST_F(Monitor, StatusOnlineThenOffline) {
    const std::string status = base + "/status";
    start();
    ASSERT_TRUE(reader.waitFor(LastState(status, "online"), 20));
    kill(child.pid, SIGKILL);
    EXPECT_EQ(WaitExit(child, 10), -2000);
    // The broker notices the lost connection at once (the socket closes).
    ASSERT_TRUE(reader.waitFor(LastState(status, "offline"), 20));
    // The will was made before the kill: it must not pass for the time of it.
    const QJsonObject will = Json(reader.messages(status).back().payload);
    EXPECT_FALSE(will.contains("time"));
    EXPECT_TRUE(will.contains("onlineSince"));

    start();
    ASSERT_TRUE(reader.waitFor(LastState(status, "online"), 20));
    EXPECT_EQ(Stop(child, 20), 0);
    child.pid = -1;
    ASSERT_TRUE(reader.waitFor(LastState(status, "offline"), 20));

    // A late reader gets the last state at once, retained.
    MqttReader late(broker.port(), status);
    ASSERT_TRUE(late.waitFor([](auto &all) { return !all.empty(); }, 10));
    EXPECT_TRUE(late.messages()[0].retained);
    EXPECT_EQ(Json(late.messages()[0].payload)["state"].toString(), "offline");
}

// READY=1 and WATCHDOG=1 reach the socket the service manager names, with
// no sensor: a sensor that is off at boot fails no service. (A path that
// never exists: the number of a pseudo-terminal just closed may be taken by
// another test's sensor at once.)
TEST_F(Monitor, NotifiesTheServiceManager) {
    const std::string path = dir + "/notify";
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    start({"--port", dir + "/no-sensor"}, {"NOTIFY_SOCKET=" + path, "WATCHDOG_USEC=2000000"});
    bool ready = false, watchdog = false, status = false;
    char buf[512];
    pollfd p = {fd, POLLIN, 0};
    // Watchdog messages keep coming: the look ends at a ceiling of its own.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(ready && watchdog && status) && std::chrono::steady_clock::now() < until &&
           poll(&p, 1, 20000) == 1) {
        const ssize_t n = recv(fd, buf, sizeof buf - 1, 0);
        const std::string text(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
        ready |= text.find("READY=1") != std::string::npos;
        watchdog |= text.find("WATCHDOG=1") != std::string::npos;
        status |= text.find("STATUS=") != std::string::npos &&
                  text.find("link port missing") != std::string::npos;
    }
    close(fd);
    EXPECT_TRUE(ready);
    EXPECT_TRUE(watchdog);
    EXPECT_TRUE(status);
}

// Published and recorded, the reply in flight at the stop included.
TEST_F(Monitor, PublishesEveryReplyOnce) {
    start({"--record", dir});
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 400), 120));
    ExpectEachReplyOnce(child, reader, base, sensor);
    std::size_t rows = 0;
    for (const auto &f : std::filesystem::directory_iterator(dir))
        if (f.path().extension() == ".csv") {
            const std::string text = ReadFile(f.path().string());
            rows += std::count(text.begin(), text.end(), '\n') - 1; // the header
        }
    EXPECT_EQ(rows, RunReplies(sensor).size());
}

// The broker away for 10 s mid-run: the loop goes on meanwhile, and every
// reply is published once, in order, after it is back. (The rate during the
// outage against the rate before it is a figure of bench_monitor.)
TEST_F(Monitor, RidesOutABrokerOutage) {
    start();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 50), 20));
    const std::size_t before = RunReplies(sensor).size();
    broker.stop();
    const double down = RunReplies(sensor).back().t;
    StillRunning(child, 10);
    const auto replies = RunReplies(sensor);
    const double up = replies.back().t;
    const auto during = static_cast<double>(replies.size() - before);
    EXPECT_GE(during, up - down - 1.0) << "at least one run request a second while it was away";
    ASSERT_TRUE(broker.start());
    ASSERT_EQ(broker.problem(), "");
    const int n = static_cast<int>(RunReplies(sensor).size());
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, n + 20), 60));
    ExpectEachReplyOnce(child, reader, base, sensor);
}

// A late reader gets every retained topic at once.
TEST_F(Monitor, LateReaderGetsTheState) {
    start({"--stats-every", "1"});
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 30), 20));
    MqttReader late(broker.port(), base + "/#");
    const std::vector<std::string> topics = {"status", "link", "identity", "parameters",
                                             "statistics"};
    ASSERT_TRUE(late.waitFor(
        [&](auto &all) {
            for (const std::string &t : topics)
                if (std::none_of(all.begin(), all.end(),
                                 [&](auto &m) { return m.topic == base + "/" + t && m.retained; }))
                    return false;
            return true;
        },
        10));
    EXPECT_EQ(Json(late.messages(base + "/parameters")[0].payload).size(), 16);
    EXPECT_EQ(Json(late.messages(base + "/link")[0].payload)["state"].toString(), "ok");
    EXPECT_GE(Json(late.messages(base + "/statistics")[0].payload)["n"].toInt(), 1);
}

// The sensor hung up and back: port missing, then the chain again and ok,
// and seq goes on. The one that comes back keeps its firmware text to
// itself: a sensor that answers the echo is measured all the same.
TEST_F(Monitor, ReopensAPortThatCameBack) {
    start();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 20), 20));
    sensor.stop();
    ASSERT_TRUE(reader.waitFor(LastState(base + "/link", "port missing"), 20));
    const int before = static_cast<int>(Measurements(reader, base).size());
    sim::Config withoutFirmware = PacedConfig();
    withoutFirmware.faults.ignore = {7};
    SimulatedSensor again(withoutFirmware, 1, folder);
    ASSERT_TRUE(reader.waitFor(LastState(base + "/link", "ok"), 60));
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, before + 20), 20));
    const auto codes = again.framesReceived();
    ASSERT_GE(codes.size(), 5u);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 4), (std::vector<int>{5, 10, 2, 7}));
    ExpectNoGap(Measurements(reader, base));
}

// The states of BASE/link, in order (a retained message sent again on a
// reconnect is the same message).
std::vector<std::string> LinkStates(MqttReader &reader, const std::string &base) {
    std::vector<std::string> out;
    std::string last;
    for (const MqttMessage &m : reader.messages(base + "/link"))
        if (m.payload != last) {
            last = m.payload;
            out.push_back(Json(m.payload)["state"].toString().toStdString());
        }
    return out;
}

// The states the monitor's standard error names, in order.
std::vector<std::string> JournalStates(const Child &child) {
    std::vector<std::string> out;
    std::istringstream err(ReadFile(child.err));
    const std::string tag = "vortelix-monitor: link ";
    for (std::string line; std::getline(err, line);)
        if (line.rfind(tag, 0) == 0)
            out.push_back(line.substr(tag.size(), line.find(':', tag.size()) - tag.size()));
    return out;
}

// A cable moved from one sensor to another on a port that stays present: the
// silence is "no reply", whatever answers next is identified before it is
// asked for a measurement, and its requests carry its own set. Then a second
// monitor finds the port in use, and a hang-up is "port missing". Each state
// is published and written to the journal once, when it begins.
TEST_F(Monitor, IdentifiesASwappedSensorAndSaysEachLinkState) {
    const std::string link = base + "/link";
    start({"--stats-every", "1"});
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 20), 20));
    sensor.unplug();
    ASSERT_TRUE(reader.waitFor(LastState(link, "no reply"), 20));
    const int before = Measurements(reader, base).back()["seq"].toInt();
    ASSERT_TRUE(sensor.plugIn(PacedConfig("t103"))) << sensor.error();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, before + 30), 30));

    // Echo, identity, the set from RAM and the firmware text come first, and
    // every request carries the set the new sensor gave.
    const auto codes = sensor.framesReceived();
    const auto firstRun = std::find(codes.begin(), codes.end(), 8);
    ASSERT_GE(firstRun - codes.begin(), 4) << "a request before the chain";
    EXPECT_EQ(std::vector<int>(firstRun - 4, firstRun), (std::vector<int>{5, 10, 2, 7}));
    const auto set = sensor.lines("tx", "reply", 2);
    ASSERT_FALSE(set.empty());
    for (const SimEvent &e : sensor.lines("rx", "frame", 8))
        ASSERT_EQ(e.words, set.back().words);
    EXPECT_EQ(Json(reader.messages(base + "/identity").back().payload)["ccdtype"].toInt(), 103);
    EXPECT_EQ(Json(reader.messages(base + "/parameters").back().payload)["vThd"].toInt(),
              static_cast<int>(set.back().words[2]));
    // Statistics of the new sensor alone.
    const int now = Measurements(reader, base).back()["seq"].toInt();
    ASSERT_TRUE(reader.waitFor(
        [&](auto &all) {
            for (auto m = all.rbegin(); m != all.rend(); ++m)
                if (m->topic == base + "/statistics") return Json(m->payload)["n"].toInt() > 10;
            return false;
        },
        20));
    EXPECT_LE(Json(reader.messages(base + "/statistics").back().payload)["n"].toInt(),
              Measurements(reader, base).back()["seq"].toInt() - before);
    EXPECT_GT(now, before);

    const std::string other = "test/other";
    const Child second =
        Start(MonitorArgs(1, broker.url(), other, {"--client-id", "second", "--stats-every", "1"}),
              dir, dir);
    ASSERT_TRUE(reader.waitFor(LastState(other + "/link", "port in use"), 20));
    // Three tries at least (after 0, 1 and 3 s), each said once in all.
    ASSERT_TRUE(reader.waitFor(
        [&](auto &all) {
            for (auto m = all.rbegin(); m != all.rend(); ++m)
                if (m->topic == other + "/health")
                    return Json(m->payload)["linkStateFor"].toDouble() > 4;
            return false;
        },
        30));
    EXPECT_EQ(Stop(second, 20), 0);
    EXPECT_EQ(JournalStates(second), (std::vector<std::string>{"starting", "port in use"}));
    const std::string said = ReadFile(second.err);
    EXPECT_EQ(Count(said, "cannot open"), 1u) << said;

    sensor.stop();
    ASSERT_TRUE(reader.waitFor(LastState(link, "port missing"), 20));
    EXPECT_EQ(Stop(child, 20), 0);
    const std::vector<std::string> states = {"starting", "ok", "no reply", "ok", "port missing"};
    EXPECT_EQ(LinkStates(reader, base), states);
    EXPECT_EQ(JournalStates(child), states);
    const std::string err = ReadFile(child.err);
    EXPECT_EQ(err.find("Line Ok!"), std::string::npos) << err;
    EXPECT_EQ(err.find("Timeout"), std::string::npos) << err;
    child.pid = -1;
}

// The unit file as the service manager reads it (the program from the build).
TEST(MonitorUnit, Verifies) {
    char templ[] = "/tmp/vtlx-unit-XXXXXX";
    const std::string dir = mkdtemp(templ);
    std::string unit = ReadFile(VTLX_UNIT);
    const auto at = unit.find("/usr/bin/vortelix-monitor");
    ASSERT_NE(at, std::string::npos);
    unit.replace(at, 25, VTLX_MONITOR);
    std::ofstream(dir + "/vortelix-monitor@.service") << unit;
    const Child v = Start(
        {"/usr/bin/systemd-analyze", "verify", "--man=no", dir + "/vortelix-monitor@line3.service"},
        dir, dir);
    EXPECT_EQ(WaitExit(v, 60), 0) << ReadFile(v.out) << ReadFile(v.err);
    std::filesystem::remove_all(dir);
}

} // namespace
