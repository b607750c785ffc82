// Commands from the control room: what reaches the sensor, between which of
// its replies, and the one answer each command gets.
#include "monitorfixture.h"

#include <map>
#include <regex>

namespace {

// The results published so far, by their id as written ("1", "\"t\"", "null").
std::map<std::string, std::vector<QJsonObject>> Results(MqttReader &reader,
                                                        const std::string &base) {
    std::map<std::string, std::vector<QJsonObject>> out;
    for (const MqttMessage &m : reader.messages(base + "/command/result")) {
        const QJsonObject o = Json(m.payload);
        const QJsonValue id = o["id"];
        out[id.isString()   ? "\"" + id.toString().toStdString() + "\""
            : id.isDouble() ? std::to_string(id.toInt())
                            : "null"]
            .push_back(o);
    }
    return out;
}

// Every frame of these codes reached the sensor with no run request waiting
// for its reply, after one run reply and before another.
void ExpectBetweenRunReplies(const SimulatedSensor &sensor, std::vector<int> codes) {
    const std::vector<SimEvent> events = sensor.events();
    bool runAsked = false, runAnswered = false;
    std::vector<std::size_t> commands;
    for (std::size_t i = 0; i < events.size(); i++) {
        const SimEvent &e = events[i];
        if (e.kind == "frame" && e.code == 8) runAsked = true;
        if (e.kind == "reply" && e.code == 8) runAsked = false, runAnswered = true;
        if (e.kind != "frame" || !runAnswered) continue;
        if (std::find(codes.begin(), codes.end(), e.code) == codes.end()) continue;
        EXPECT_FALSE(runAsked) << "code " << e.code << " sent while a run request waited";
        commands.push_back(i);
    }
    ASSERT_FALSE(commands.empty());
    const auto laterRun = std::find_if(events.begin() + commands.back(), events.end(),
                                       [](const SimEvent &e) { return e.code == 8; });
    EXPECT_NE(laterRun, events.end()) << "no run reply after the last command";
}

TEST_F(Monitor, SendsEachCommandBetweenTwoRunRepliesAndAnswersItOnce) {
    start({"--commands", "on"});
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 3), 30));
    for (const char *payload :
         {R"({"command":"reset-maxmin","id":1})", R"({"command":"teach","id":"t"})",
          R"({"command":"read-parameters","id":3})", R"({"command":"reset-statistics","id":4})",
          R"({"command":"calibrate","id":5})", R"({"command":"teach"})", "teach"})
        reader.publish(base + "/command", payload);
    const auto answered = [&](const std::vector<MqttMessage> &all) {
        return std::count_if(all.begin(), all.end(), [&](const MqttMessage &m) {
                   return m.topic == base + "/command/result";
               }) >= 7;
    };
    ASSERT_TRUE(reader.waitFor(answered, 30));
    const int seqAfter = Measurements(reader, base).back()["seq"].toInt();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, seqAfter + 3), 30));
    ExpectEachReplyOnce(child, reader, base, sensor); // no command reply among them

    auto results = Results(reader, base);
    ASSERT_EQ(results.size(), 6u); // "null" holds the two without an id
    const auto says = [&](const std::string &id, std::size_t i = 0) {
        EXPECT_EQ(results[id].size(), id == "null" ? 2u : 1u) << id;
        return results[id].size() > i ? results[id][i] : QJsonObject{};
    };
    for (const char *id : {"1", "\"t\"", "3", "4"})
        EXPECT_TRUE(says(id)["ok"].toBool())
            << id << " " << says(id)["text"].toString().toStdString();
    EXPECT_EQ(says("1")["command"].toString(), "reset-maxmin");
    EXPECT_FALSE(says("5")["ok"].toBool());
    EXPECT_TRUE(says("5")["text"].toString().startsWith("unknown command"));
    EXPECT_TRUE(says("null", 0)["text"].toString().startsWith("no id"));
    EXPECT_TRUE(says("null", 1)["text"].toString().startsWith("not a JSON object"));
    EXPECT_TRUE(says("null", 1)["command"].isNull());

    // The sensor got each accepted sensor command once, on a free line; the
    // set-point taught stays in every run reply after it.
    const std::vector<int> frames = sensor.framesReceived();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), 11), 1);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), 6), 1);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), 2), 3); // link chain, teach, read
    ExpectBetweenRunReplies(sensor, {2, 6, 11});
    std::smatch taught;
    const std::string text = says("\"t\"")["text"].toString().toStdString();
    ASSERT_TRUE(std::regex_search(text, taught, std::regex("set-point taught: (\\d+)"))) << text;
    const std::vector<SimEvent> events = sensor.events();
    const auto teach =
        std::find_if(events.begin(), events.end(), [](const SimEvent &e) { return e.code == 6; });
    for (auto e = teach; e != events.end(); ++e)
        if (e->kind == "reply" && e->code == 8) {
            EXPECT_EQ(e->words[5], std::stoul(taught[1]));
        }
    EXPECT_GE(reader.messages(base + "/parameters").size(), 3u);
    EXPECT_EQ(Count(ReadFile(child.err), "vortelix-monitor: command "), 14u); // in and out
}

// Off by default: nothing is taken, nothing answered, nothing reaches the sensor.
TEST_F(Monitor, TakesNoCommandUnlessTheyAreOn) {
    start();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, 2), 30));
    reader.publish(base + "/command", R"({"command":"teach","id":1})");
    ASSERT_TRUE(reader.marker("vtlx-test/sent"));
    const int seqAfter = Measurements(reader, base).back()["seq"].toInt();
    ASSERT_TRUE(reader.waitFor(SeqAtLeast(base, seqAfter + 10), 30));
    ExpectEachReplyOnce(child, reader, base, sensor);
    EXPECT_TRUE(reader.messages(base + "/command/result").empty());
    const std::vector<int> frames = sensor.framesReceived();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), 6), 0);
}

} // namespace
