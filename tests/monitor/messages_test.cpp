// What the monitor's messages and day files say, read as a consumer reads
// them: a type 103 sensor on a type-100 board (positions in eighths of a
// pixel), and a local day that ends while the monitor runs.
#include <cmath>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "monitorfixture.h"
#include "statistics/runstats.h"
#include "waits.h"

namespace {

// The last message on topic of all.
QJsonObject Last(const std::vector<MqttMessage> &all, const std::string &topic) {
    for (auto m = all.rbegin(); m != all.rend(); ++m)
        if (m->topic == topic) return Json(m->payload);
    return {};
}

// Each field names its unit, the sensor and the mode; the statistics'
// micrometre figures are those of the measurements published; health and
// every message carry the session, which a restart changes.
TEST_F(Monitor, MessagesSayWhatTheyMean) {
    sensor.stop();
    sim::Config config = InstantConfig("t103", 100);
    config.instant = false;
    SimulatedSensor t103{config, 1, folder};
    ASSERT_TRUE(t103.ok()) << t103.error();
    start({"--stats-every", "1", "--record", dir});
    ASSERT_TRUE(reader.waitFor(
        [&](auto &all) { return Last(all, base + "/health")["recordingRows"].toInt() >= 3; }, 20));
    const QJsonObject health = Last(reader.messages(), base + "/health");
    EXPECT_EQ(Stop(child, 20), 0);
    child.pid = -1;
    ASSERT_TRUE(reader.waitFor(LastState(base + "/status", "offline"), 20));

    const auto seen = Measurements(reader, base);
    ASSERT_GE(seen.size(), 3u);
    const QString session = seen[0]["session"].toString();
    EXPECT_FALSE(session.isEmpty());
    StatAccumulator um; // the one unit every figure of the program is computed in
    for (const QJsonObject &m : seen) {
        EXPECT_EQ(m["session"].toString(), session);
        EXPECT_EQ(m["type"].toInt(), 103);
        EXPECT_EQ(m["positionUnit"].toString(), "sub-pixel");
        EXPECT_EQ(m["umUnit"].toString(), "\u00b5m");
        EXPECT_EQ(m["evalMode"].toString(), "Centre / diameter"); // the sensor's factory mode 2
        um.Add(m["umValue"].toDouble());
    }
    const StatSeries expected = um.Series();

    // The statistics published at the stop count every measurement.
    const QJsonObject s = Last(reader.messages(), base + "/statistics");
    ASSERT_EQ(s["n"].toInt(), int(seen.size()));
    EXPECT_EQ(s["session"].toString(), session);
    EXPECT_GE(s["since"].toString(), session);
    EXPECT_EQ(s["positionUnit"].toString(), "sub-pixel");
    EXPECT_EQ(s["setPoint"].toInt(), seen.back()["tVal"].toInt());
    EXPECT_EQ(s["tolerance"].toInt(), seen.back()["tTol"].toInt());
    EXPECT_EQ(s["umUnit"].toString(), "\u00b5m");
    // Published to six significant digits.
    EXPECT_NEAR(s["umMean"].toDouble(), expected.mean, 1e-5 * std::fabs(expected.mean));
    EXPECT_NEAR(s["umSd"].toDouble(), expected.sd, 1e-5 * expected.sd);
    EXPECT_EQ(s["umMin"].toDouble(), expected.min);
    EXPECT_EQ(s["umMax"].toDouble(), expected.max);

    // Health as it was while the monitor ran and recorded.
    EXPECT_EQ(health["session"].toString(), session);
    EXPECT_GT(health["uptime"].toDouble(), 0);
    EXPECT_GE(health["replyRate"].toDouble(), 0);
    EXPECT_GE(health["replies"].toInt(), health["recordingRows"].toInt());
    EXPECT_LE(health["replies"].toInt(), int(seen.size()));
    for (const char *count : {"queued", "dropped", "reconnects", "linkErrors"})
        EXPECT_GE(health[count].toInt(-1), 0) << count;
    EXPECT_EQ(health["linkState"].toString(), "ok");
    EXPECT_GT(health["linkStateFor"].toDouble(), 0);
    EXPECT_LE(health["linkStateFor"].toDouble(), health["uptime"].toDouble());
    EXPECT_EQ(std::filesystem::path(health["recording"].toString().toStdString()).parent_path(),
              std::filesystem::path(dir));

    start();
    ASSERT_TRUE(reader.waitFor(
        [&](auto &all) {
            return Last(all, base + "/measurement")["session"].toString() != session;
        },
        20));
    EXPECT_EQ(Last(reader.messages(), base + "/measurement")["seq"].toInt(), 1);
}

// The rows of a recording: its lines after the header, which must be first
// and only there; none while there is no file.
std::vector<std::string> Rows(const std::string &path) {
    const std::string text = ReadFile(path);
    if (text.empty()) return {};
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("time,seconds [s],reply,", 0), 0u) << path;
    std::vector<std::string> rows;
    while (std::getline(in, line)) {
        EXPECT_EQ(line.find("time,"), std::string::npos) << path;
        rows.push_back(line);
    }
    return rows;
}

// Every row whole (16 fields, CR LF), its seconds never negative nor going
// back, its reply numbers 1, 2, 3, ...
void ExpectSoundRows(const std::vector<std::string> &rows) {
    double last = 0;
    for (std::size_t i = 0; i < rows.size(); i++) {
        SCOPED_TRACE(rows[i]);
        ASSERT_EQ(std::count(rows[i].begin(), rows[i].end(), ','), 15);
        ASSERT_EQ(rows[i].back(), '\r');
        const std::size_t a = rows[i].find(',') + 1, b = rows[i].find(',', a);
        const std::string seconds = rows[i].substr(a, b - a);
        EXPECT_EQ(seconds.find('-'), std::string::npos);
        EXPECT_GE(std::stod(seconds), last);
        last = std::stod(seconds);
        EXPECT_EQ(std::stol(rows[i].substr(b + 1)), long(i + 1));
    }
}

// A day that ends while the monitor records: the next day's file starts
// with seconds of 0 or more, both files are said on standard error, and a
// restart that day goes on with its file (a line a crash cut short cut off
// first). A file of the day's name that is no recording is left alone.
TEST_F(Monitor, RecordsOneFilePerLocalDay) {
    // A zone in which midnight is `ahead` seconds away (POSIX: west is +).
    // A monitor that took longer than that to its first row (a loaded
    // machine) saw no day end: it runs again with more time before midnight.
    char tz[48], day1[16], day2[16];
    std::string foreign, first, second;
    for (const long ahead : {8L, 30L, 90L}) {
        const std::time_t now = std::time(nullptr);
        long east = (86400 - ahead - now % 86400) % 86400;
        if (east > 43200) east -= 86400;
        const long a = std::labs(east);
        std::snprintf(tz, sizeof tz, "TZ=VTX%c%02ld:%02ld:%02ld", east < 0 ? '+' : '-', a / 3600,
                      a / 60 % 60, a % 60);
        for (auto [day, t] :
             {std::pair{day1, now + east}, std::pair{day2, now + east + 2 * ahead}}) {
            const std::tm parts = *std::gmtime(&t);
            std::strftime(day, sizeof day1, "%Y%m%d", &parts);
        }
        foreign = file(std::string("VTLXmonitor-") + day1 + ".csv", "kept\n");
        first = dir + "/VTLXmonitor-" + day1 + "-2.csv";
        second = dir + "/VTLXmonitor-" + day2 + ".csv";
        start({"--record", dir}, {tz});
        ASSERT_TRUE(WaitUntil([&] { return Rows(second).size() >= 3; }, ahead + 60));
        EXPECT_EQ(Stop(child, 20), 0);
        child.pid = -1;
        if (std::filesystem::exists(first)) break;
        for (const std::string &f : {foreign, second})
            std::filesystem::remove(f);
    }
    const std::string said = ReadFile(child.err);
    EXPECT_NE(said.find(foreign + " is no recording of this program"), std::string::npos) << said;
    EXPECT_NE(said.find("recording to " + first + "\n"), std::string::npos) << said;
    EXPECT_NE(said.find("recording to " + second + "\n"), std::string::npos) << said;
    EXPECT_EQ(ReadFile(foreign), "kept\n");
    ExpectSoundRows(Rows(first));
    const auto before = Rows(second);
    ExpectSoundRows(before);

    std::ofstream(second, std::ios::app) << before.back().substr(0, 30); // a crash's torn row
    start({"--record", dir}, {tz});
    ASSERT_TRUE(WaitUntil([&] { return Rows(second).size() >= before.size() + 3; }, 30));
    EXPECT_EQ(Stop(child, 20), 0);
    child.pid = -1;
    EXPECT_NE(ReadFile(child.err).find("recording to " + second + "\n"), std::string::npos);
    const auto after = Rows(second);
    ASSERT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    ExpectSoundRows(after);
    EXPECT_FALSE(std::filesystem::exists(dir + "/VTLXmonitor-" + day2 + "-2.csv"));
}

} // namespace
