// vortelix-monitor as a service sees it: started as a child process on a
// simulated sensor (COM1), publishing to a broker the test runs.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "broker.h"
#include "process.h"
#include "simharness.h"

namespace {

QJsonObject Json(const std::string &payload) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
}

// The last message on topic has field "state" equal to state.
auto LastState(const std::string &topic, const char *state) {
    return [=](const std::vector<MqttMessage> &all) {
        for (auto m = all.rbegin(); m != all.rend(); ++m)
            if (m->topic == topic) return Json(m->payload)["state"].toString() == state;
        return false;
    };
}

class Monitor : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sensor.ok()) << sensor.error();
        ASSERT_TRUE(broker.ok());
        ASSERT_TRUE(reader.connected());
        char templ[] = "/tmp/vtlx-monitor-XXXXXX";
        dir = mkdtemp(templ);
    }
    void TearDown() override {
        if (child.pid > 0) Stop(child, 10);
        std::filesystem::remove_all(dir);
    }
    Child start(std::vector<std::string> extra = {}, std::vector<std::string> env = {}) {
        std::vector<std::string> args = {VTLX_MONITOR, "--port",  "1", "--broker",
                                         broker.url(), "--topic", base};
        args.insert(args.end(), extra.begin(), extra.end());
        return child = Start(args, dir, dir, env);
    }
    std::string file(const std::string &name, const std::string &text, unsigned mode = 0600) {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << text;
        chmod(path.c_str(), mode);
        return path;
    }

    PortFolder folder;
    SimulatedSensor sensor{InstantConfig(), 1, folder};
    Broker broker;
    MqttReader reader{broker.port(), "#"};
    std::string base = "test/line";
    std::string dir;
    Child child;
};

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

// READY=1 and WATCHDOG=1 reach the socket the service manager names.
TEST_F(Monitor, NotifiesTheServiceManager) {
    const std::string path = dir + "/notify";
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    start({}, {"NOTIFY_SOCKET=" + path, "WATCHDOG_USEC=2000000"});
    bool ready = false, watchdog = false, status = false;
    char buf[512];
    pollfd p = {fd, POLLIN, 0};
    while (!(ready && watchdog && status) && poll(&p, 1, 20000) == 1) {
        const ssize_t n = recv(fd, buf, sizeof buf - 1, 0);
        const std::string text(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
        ready |= text.find("READY=1") != std::string::npos;
        watchdog |= text.find("WATCHDOG=1") != std::string::npos;
        status |= text.find("STATUS=") != std::string::npos;
    }
    close(fd);
    EXPECT_TRUE(ready);
    EXPECT_TRUE(watchdog);
    EXPECT_TRUE(status);
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
