// The monitor's test fixture: vortelix-monitor started as a child process on
// a simulated sensor (COM1), publishing to a broker the test runs, and the
// looks at what it published.
#pragma once

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "broker.h"
#include "files.h"
#include "process.h"
#include "simharness.h"

inline QJsonObject Json(const std::string &payload) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
}

// The last message on topic has field "state" equal to state.
inline auto LastState(const std::string &topic, const char *state) {
    return [=](const std::vector<MqttMessage> &all) {
        for (auto m = all.rbegin(); m != all.rend(); ++m)
            if (m->topic == topic) return Json(m->payload)["state"].toString() == state;
        return false;
    };
}

// How often what occurs in text.
inline std::size_t Count(const std::string &text, const std::string &what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

// The sensor paced as on a 19200-baud line.
inline sim::Config PacedConfig(const char *preset = "t1") {
    sim::Config c = InstantConfig(preset);
    c.instant = false;
    return c;
}

// The command line of a monitor on COM port, publishing under topic, with
// the extra options.
inline std::vector<std::string> MonitorArgs(int port, const std::string &url,
                                            const std::string &topic,
                                            const std::vector<std::string> &extra = {}) {
    std::vector<std::string> args = {VTLX_MONITOR, "--port", std::to_string(port), "--broker", url,
                                     "--topic",    topic};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

class Monitor : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sensor.ok()) << sensor.error();
        ASSERT_EQ(broker.problem(), "");
        ASSERT_TRUE(reader.connected());
        char templ[] = "/tmp/vtlx-monitor-XXXXXX";
        dir = mkdtemp(templ);
    }
    void TearDown() override {
        if (child.pid > 0) Stop(child, 10);
        if (HasFailure()) {
            std::cerr << "--- the monitor's standard error:\n"
                      << (child.err.empty() ? "" : ReadFile(child.err)) << "--- the broker's log:\n"
                      << broker.log();
        }
        std::filesystem::remove_all(dir);
    }
    Child start(std::vector<std::string> extra = {}, std::vector<std::string> env = {}) {
        return child = Start(MonitorArgs(1, broker.url(), base, extra), dir, dir, env);
    }
    std::string file(const std::string &name, const std::string &text, unsigned mode = 0600) {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << text;
        chmod(path.c_str(), mode);
        return path;
    }

    PortFolder folder;
    SimulatedSensor sensor{PacedConfig(), 1, folder};
    Broker broker;
    MqttReader reader{broker.port(), "#"};
    std::string base = "test/line";
    std::string dir;
    Child child;
};

// Sequence numbers of the measurements seen, duplicates dropped.
inline std::vector<QJsonObject> Measurements(MqttReader &reader, const std::string &base) {
    std::vector<QJsonObject> out;
    for (const MqttMessage &m : reader.messages(base + "/measurement")) {
        const QJsonObject o = Json(m.payload);
        if (out.empty() || o["seq"].toInt() > out.back()["seq"].toInt()) out.push_back(o);
    }
    return out;
}

// The run replies the sensor sent: their words and when.
inline std::vector<SimEvent> RunReplies(const SimulatedSensor &sensor) {
    std::vector<SimEvent> out;
    for (const SimEvent &e : sensor.events())
        if (e.dir == "tx" && e.kind == "reply" && e.code == 8) out.push_back(e);
    return out;
}

inline auto SeqAtLeast(const std::string &base, int n) {
    return [=](const std::vector<MqttMessage> &all) {
        for (auto m = all.rbegin(); m != all.rend(); ++m)
            if (m->topic == base + "/measurement") return Json(m->payload)["seq"].toInt() >= n;
        return false;
    };
}

// seq runs 1, 2, 3, ... without a gap.
inline void ExpectNoGap(const std::vector<QJsonObject> &seen) {
    for (std::size_t i = 0; i < seen.size(); i++)
        ASSERT_EQ(seen[i]["seq"].toInt(), static_cast<int>(i + 1));
}

// Stops the monitor and checks that every run reply of the sensor's log is
// one measurement, in order, with its values, the reply in flight at the stop
// included, and that no request was left unanswered.
inline void ExpectEachReplyOnce(Child &child, MqttReader &reader, const std::string &base,
                                const SimulatedSensor &sensor) {
    EXPECT_EQ(Stop(child, 20), 0);
    child.pid = -1;
    ASSERT_TRUE(reader.waitFor(LastState(base + "/status", "offline"), 20));
    const auto seen = Measurements(reader, base);
    const auto replies = RunReplies(sensor);
    ExpectNoGap(seen);
    ASSERT_EQ(seen.size(), replies.size());
    ASSERT_EQ(sensor.lines("rx", "frame", 8).size(), replies.size());
    const char *names[] = {"Ledge", "Redge",   "Mvalue", nullptr,    nullptr,  "tVal",   "tTol",
                           "edcnt", "mvstart", "mvend",  "dynpower", "anaMax", "anaMin", "in0"};
    for (std::size_t i = 0; i < seen.size(); i++) {
        const auto &w = replies[i].words;
        for (int k = 0; k < 14; k++)
            if (names[k]) {
                ASSERT_EQ(seen[i][names[k]].toInt(), w[k]) << i << " " << names[k];
            }
        ASSERT_EQ(seen[i]["umValue"].toInt(), w[4] << 16 | w[3]) << i;
    }
}
