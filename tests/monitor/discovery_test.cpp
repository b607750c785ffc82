// What Home Assistant reads of the monitor: the discovery configs of the
// sensor on the port, their removal when another sensor is plugged in, and
// BASE/availability.
#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <csignal>
#include <map>
#include <set>
#include <unistd.h>

#include "monitorfixture.h"

namespace {

const std::string PREFIX = "ha";

// The payload each config topic under PREFIX had last ("" once removed).
std::map<std::string, std::string> Configs(const std::vector<MqttMessage> &all) {
    std::map<std::string, std::string> out;
    for (const MqttMessage &m : all)
        if (m.topic.rfind(PREFIX + "/", 0) == 0) out[m.topic] = m.payload;
    return out;
}

std::size_t Present(const std::map<std::string, std::string> &configs) {
    return std::count_if(configs.begin(), configs.end(), [](auto &c) { return !c.second.empty(); });
}

// What a reader subscribing to topic now gets first; "" for nothing retained.
std::string RetainedNow(const Broker &broker, const std::string &topic) {
    MqttReader late(broker.port(), topic);
    if (!late.connected()) return "(no reader)";
    const auto got = late.messages(topic);
    return got.empty() || !got[0].retained ? "" : got[0].payload;
}

// Every config field by field against the discovery schema, each state topic
// one the monitor publishes with the key its template reads, the units those
// of the measurements; and retained, for a Home Assistant started later.
TEST_F(Monitor, PublishesTheDiscoveryConfigsHomeAssistantReads) {
    start({"--discovery", PREFIX});
    ASSERT_TRUE(reader.waitFor(
        [&](auto &all) { return Present(Configs(all)) == 7 && SeqAtLeast(base, 5)(all); }, 30));
    const auto configs = Configs(reader.messages());
    const QJsonObject identity = Json(reader.messages(base + "/identity").back().payload);
    const QJsonObject measurement = Json(reader.messages(base + "/measurement").back().payload);
    const std::map<QString, QJsonValue> units = {{"Mvalue", measurement["positionUnit"]},
                                                 {"Ledge", measurement["positionUnit"]},
                                                 {"Redge", measurement["positionUnit"]},
                                                 {"umValue", measurement["umUnit"]}};
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    const QString node = QString(host).replace(QRegularExpression("[^A-Za-z0-9-]"), "_") + "-1";
    std::set<QString> objects, ids;
    for (const auto &[topic, payload] : configs) {
        SCOPED_TRACE(topic);
        const QJsonObject c = Json(payload);
        // PREFIX/<component>/<node id>/<object id>/config
        const QStringList part = QString::fromStdString(topic).split('/');
        ASSERT_EQ(part.size(), 5);
        EXPECT_EQ(part[4], "config");
        objects.insert(part[3]);
        EXPECT_TRUE(ids.insert(c["unique_id"].toString()).second) << "a unique_id twice";
        EXPECT_TRUE(c["unique_id"].toString().startsWith("vortelix_" + node + "_"));
        const QJsonObject device = c["device"].toObject();
        EXPECT_EQ(device["identifiers"].toArray().first().toString(), part[2]);
        EXPECT_EQ(device["model"], identity["description"]);
        EXPECT_EQ(device["sw_version"], identity["firmware"]);
        EXPECT_FALSE(device["name"].toString().isEmpty());
        EXPECT_EQ(c["availability_topic"].toString().toStdString(), base + "/availability");

        const std::string state = c["state_topic"].toString().toStdString();
        const auto published = reader.messages(state);
        ASSERT_FALSE(published.empty()) << state;
        const QString templ = c["value_template"].toString();
        const auto key = templ.section("value_json.", 1).section(QRegularExpression("\\W"), 0, 0);
        EXPECT_TRUE(Json(published.back().payload).contains(key)) << templ.toStdString();
        if (units.count(part[3])) {
            EXPECT_EQ(c["unit_of_measurement"], units.at(part[3]));
        }
        if (part[1] == "binary_sensor") {
            EXPECT_TRUE(templ.contains("'" + c["payload_on"].toString() + "'"));
            EXPECT_TRUE(templ.contains("'" + c["payload_off"].toString() + "'"));
        } else {
            EXPECT_EQ(part[1], "sensor");
        }
    }
    EXPECT_EQ(objects, (std::set<QString>{"Mvalue", "umValue", "Ledge", "Redge", "inTol",
                                          "replyRate", "link"}));
    for (const auto &[topic, payload] : configs)
        EXPECT_EQ(RetainedNow(broker, topic), payload) << topic;
}

// Another sensor on the port: the configs of the one before are removed
// (empty, retained), and a reader that comes later finds the new sensor's
// configs alone.
TEST_F(Monitor, RemovesTheDiscoveryOfASwappedSensor) {
    start({"--discovery", PREFIX});
    ASSERT_TRUE(reader.waitFor([](auto &all) { return Present(Configs(all)) == 7; }, 30));
    const auto before = Configs(reader.messages());
    sensor.unplug();
    ASSERT_TRUE(reader.waitFor(LastState(base + "/link", "no reply"), 20));
    ASSERT_TRUE(sensor.plugIn(PacedConfig("t103"))) << sensor.error();
    ASSERT_TRUE(reader.waitFor(LastState(base + "/link", "ok"), 30));
    const auto after = Configs(reader.messages());
    EXPECT_EQ(after.size(), 14u);
    for (const auto &[topic, payload] : before)
        EXPECT_EQ(after.at(topic), "") << topic;

    MqttReader late(broker.port(), PREFIX + "/#");
    ASSERT_TRUE(late.connected());
    const auto seen = Configs(late.messages());
    EXPECT_EQ(Present(seen), 7u);
    for (const auto &[topic, payload] : seen) {
        EXPECT_EQ(before.count(topic), 0u) << topic;
        EXPECT_TRUE(Json(payload)["device"].toObject()["name"].toString().contains("type 103"))
            << payload;
    }
}

// BASE/availability: online while it runs; offline by the last will on
// kill -9 and said by the monitor on SIGTERM, retained.
TEST_F(Monitor, AvailabilityOnlineThenOffline) {
    const std::string availability = base + "/availability";
    auto last = [&](const char *word) {
        return [=](const std::vector<MqttMessage> &all) {
            for (auto m = all.rbegin(); m != all.rend(); ++m)
                if (m->topic == availability) return m->payload == word;
            return false;
        };
    };
    start();
    ASSERT_TRUE(reader.waitFor(last("online"), 20));
    EXPECT_EQ(RetainedNow(broker, availability), "online");
    kill(child.pid, SIGKILL);
    EXPECT_EQ(WaitExit(child, 10), -2000);
    ASSERT_TRUE(reader.waitFor(last("offline"), 20));

    start();
    ASSERT_TRUE(reader.waitFor(last("online"), 20));
    EXPECT_EQ(Stop(child, 20), 0);
    child.pid = -1;
    ASSERT_TRUE(reader.waitFor(last("offline"), 20));
    EXPECT_EQ(RetainedNow(broker, availability), "offline");
}

} // namespace
