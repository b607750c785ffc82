// The recorder end to end against the simulated sensor: one row per reply
// taken, with the simulator's own words, across Stop, Run and Video; the
// statistics against a computation of their own over the file; a full disk
// and a missing folder; and the simulator replaying a recording.
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "platform/runtime.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "recording/recorder.h"
#include "gui/recordpanel.h"
#include "report/report.h"
#include "replay.h"
#include "simharness.h"
#include "statistics/runstats.h"
#include "uiharness.h"
#include "waits.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>

#include <cmath>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Columns of a recording, in order.
enum {
    TIME,
    SECONDS,
    REPLY,
    W_LEDGE,
    W_REDGE,
    W_MVALUE,
    W_UM,
    W_TVAL,
    W_TTOL,
    W_EDCNT,
    W_MVSTART,
    W_MVEND,
    W_DYNPOWER,
    W_ANAMAX,
    W_ANAMIN,
    W_IN0,
    COLUMNS
};

struct Csv {
    std::string header;
    std::vector<std::vector<std::string>> rows;
    bool crlf = true; // every line ends in CR LF
};

// The next line without its CR LF; crlf goes false on a bare LF.
bool CsvLine(std::istream &in, std::string &line, bool &crlf) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    else
        crlf = false;
    return true;
}

// The header line as the user's documentation gives it: the line inside the
// code block that follows "The header:".
std::string DocumentedHeader() {
    std::ifstream in(VTLX_DOCS_DIR "/recording.md");
    std::string line;
    while (std::getline(in, line) && line.find("The header:") == std::string::npos) {
    }
    while (std::getline(in, line) && line.rfind("```", 0) != 0) {
    }
    std::getline(in, line);
    return line;
}

Csv ReadCsv(const std::string &path) {
    Csv csv;
    std::ifstream in(path);
    CsvLine(in, csv.header, csv.crlf);
    for (std::string line; CsvLine(in, line, csv.crlf);) {
        std::vector<std::string> f;
        std::stringstream s(line);
        for (std::string field; std::getline(s, field, ',');)
            f.push_back(field);
        if (!line.empty() && line.back() == ',') f.emplace_back(); // an empty last field
        csv.rows.push_back(f);
    }
    return csv;
}

long Num(const std::string &field) {
    return std::strtol(field.c_str(), nullptr, 10);
}

class Recording : public ::testing::Test {
  protected:
    void SetUp() override {
        FreshStart();
        StartRecordingPanel();
        path = "/tmp/vtlx-record-" + std::to_string(getpid()) + ".csv";
    }
    void TearDown() override {
        StopRecording();
        std::remove(path.c_str());
        FreshStart();
    }
    void Record() { CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0); }
    void Run() { CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0); }
    void Video() { CC_BTNVideo(pHandle, PANEL_CTRLLoopLock2, EVENT_COMMIT, nullptr, 0, 0); }
    static void Stop() { CC_BTNStop(pHandle, 5, EVENT_LEFT_CLICK, nullptr, 0, 0); }
    void StopAfter(double seconds) { After(context, seconds, Stop); }
    std::string path;
    PortFolder folder;
    QObject context;
};

TEST_F(Recording, OneRowPerReplyWithTheSimulatorsWordsAcrossStopRunAndVideo) {
    sim::Config config = InstantConfig("t1");
    config.period = 1.0; // values change from reply to reply
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1); // identifies a CCD type 1: the micrometre value is shown
    SetFileSelectAnswer(path.c_str());
    Record();
    ASSERT_TRUE(RecordingActive()) << RecordingError();
    StopAfter(0.3);
    Run();
    const long afterFirst = RecordingRows();
    StopAfter(0.3);
    Video();
    const long afterVideo = RecordingRows();
    StopAfter(0.3);
    Run();
    const long beforeLastRun = afterVideo;
    // The ticker writes and shows.
    const auto shown = [&] {
        return "Recording " + path.substr(path.rfind('/') + 1) + ": " +
               std::to_string(RecordingRows()) + " rows";
    };
    EXPECT_TRUE(PumpUntil([&] { return ControlText(pHandle, PANEL_TEXTRecording) == shown(); }))
        << ControlText(pHandle, PANEL_TEXTRecording);
    Record(); // stops
    ASSERT_FALSE(RecordingActive());
    EXPECT_GT(afterFirst, 5);
    EXPECT_GT(afterVideo, afterFirst) << "the recording goes on in video mode";
    EXPECT_GT(RecordingRows(), afterVideo) << "and across Stop and Run";

    const Csv csv = ReadCsv(path);
    EXPECT_EQ(csv.header, DocumentedHeader()) << "the header as docs/recording.md gives it";
    EXPECT_TRUE(csv.crlf) << "RFC 4180 lines end in CR LF";
    ASSERT_EQ(long(csv.rows.size()), RecordingRows());
    // Every row is a reply the simulator sent, in order, none twice; at most
    // one reply per loop (the one Stop overtakes) is not taken.
    std::map<unsigned, std::vector<unsigned>> sent; // by in0
    for (const SimEvent &l : sensor.lines("tx", "reply", 8))
        sent[l.words[13]] = l.words;
    EXPECT_LE(sent.size() - csv.rows.size(), 3u);
    double lastSeconds = 0;
    long lastIn0 = 0;
    for (size_t i = 0; i < csv.rows.size(); i++) {
        const auto &r = csv.rows[i];
        ASSERT_EQ(r.size(), size_t(COLUMNS)) << i;
        EXPECT_EQ(Num(r[REPLY]), long(i) + 1);
        EXPECT_EQ(r[TIME].size(), 29u) << r[TIME]; // 2026-12-08T06:34:29.123+01:00
        const double seconds = std::atof(r[SECONDS].c_str());
        EXPECT_GE(seconds, lastSeconds);
        lastSeconds = seconds;
        EXPECT_GT(Num(r[W_IN0]), lastIn0);
        lastIn0 = Num(r[W_IN0]);
        ASSERT_TRUE(sent.count(unsigned(lastIn0))) << "row " << i << " is no reply";
        const std::vector<unsigned> &w = sent[unsigned(lastIn0)];
        const int wordOf[] = {W_LEDGE, W_REDGE,   W_MVALUE, -1,         -1,       W_TVAL,  W_TTOL,
                              W_EDCNT, W_MVSTART, W_MVEND,  W_DYNPOWER, W_ANAMAX, W_ANAMIN};
        for (int k = 0; k < 13; k++) {
            if (wordOf[k] >= 0) {
                ASSERT_EQ(Num(r[wordOf[k]]), long(w[k])) << i << " word " << k;
            }
        }
        ASSERT_EQ(Num(r[W_UM]), long(int(w[4] << 16 | w[3]))) << i;
    }

    // The statistics hold the last run, reset when it started.
    std::vector<double> v, um;
    int out = 0;
    for (size_t i = size_t(beforeLastRun); i < csv.rows.size(); i++) {
        const auto &r = csv.rows[i];
        v.push_back(Num(r[W_MVALUE]));
        um.push_back(Num(r[W_UM]));
        out += std::abs(Num(r[W_MVALUE]) - Num(r[W_TVAL])) > Num(r[W_TTOL]);
    }
    auto check = [](const StatSeries &s, const std::vector<double> &x) {
        double mean = 0, ss = 0, lo = x[0], hi = x[0];
        for (double e : x) {
            mean += e / x.size();
            lo = std::min(lo, e);
            hi = std::max(hi, e);
        }
        for (double e : x)
            ss += (e - mean) * (e - mean);
        EXPECT_EQ(s.count, long(x.size()));
        EXPECT_NEAR(s.mean, mean, 1e-6);
        EXPECT_NEAR(s.sd, std::sqrt(ss / (x.size() - 1)), 1e-6);
        EXPECT_EQ(s.min, lo);
        EXPECT_EQ(s.max, hi);
    };
    RunSummary s;
    ASSERT_TRUE(RunStatisticsSummary(&s));
    ASSERT_GT(v.size(), 2u);
    check(s.value, v);
    check(s.um, um);
    EXPECT_EQ(s.outOfTolerance, out);
    EXPECT_EQ(
        ControlText(pHandle, PANEL_TEXTStatValue).rfind("n " + std::to_string(v.size()) + " ", 0),
        0u)
        << ControlText(pHandle, PANEL_TEXTStatValue);
}

TEST_F(Recording, FullDiskAndMissingFolderEndTheRecordingWithAMessage) {
    sim::Config config = InstantConfig("t1");
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);

    SetFileSelectAnswer("/tmp/vtlx-no-such-folder/run.csv");
    Record();
    EXPECT_FALSE(RecordingActive());
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTRecording).rfind("Not recording: Cannot create", 0),
              0u)
        << ControlText(pHandle, PANEL_TEXTRecording);

    SetFileSelectAnswer(path.c_str());
    Record();
    ASSERT_TRUE(RecordingActive());
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4000; // some forty rows
    setrlimit(RLIMIT_FSIZE, &small);
    // The simulator's measurement count (in0 of the reply taken) when the
    // recording failed: the run must go on past it.
    long measuredAtFailure = -1;
    std::function<void()> watch = [&] {
        if (!RecordingActive() && measuredAtFailure < 0) measuredAtFailure = in0;
        After(context, 0.05, watch);
    };
    After(context, 0.05, watch);
    StopAfter(1.0);
    Run();
    setrlimit(RLIMIT_FSIZE, &old);
    context.disconnect();

    EXPECT_FALSE(RecordingActive());
    const std::string state = ControlText(pHandle, PANEL_TEXTRecording);
    EXPECT_EQ(state.rfind("Recording stopped: Cannot write to the file: File too large; ", 0), 0u)
        << state;
    ASSERT_GT(measuredAtFailure, 0) << "the recording did not fail while the loop ran";
    EXPECT_GT(long(in0), measuredAtFailure + 5) << "the run went on after the recording ended";
    const Csv csv = ReadCsv(path);
    EXPECT_EQ(csv.header, DocumentedHeader()) << "the header as docs/recording.md gives it";
    EXPECT_GT(csv.rows.size(), 20u);
    EXPECT_EQ(long(csv.rows.size()), RecordingRows()) << "rows reported kept are in the file";
    for (size_t i = 0; i < csv.rows.size(); i++) {
        ASSERT_EQ(csv.rows[i].size(), size_t(COLUMNS)) << "torn row " << i;
        EXPECT_EQ(Num(csv.rows[i][REPLY]), long(i) + 1);
    }
}

// A recording whose file goes away with its folder ends and says so (it once
// counted on into the unlinked file and ended "Recorded run.csv: n rows").
TEST_F(Recording, RemovedFileEndsTheRecordingWithAMessage) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    char dirName[] = "/tmp/vtlx-record-XXXXXX";
    const std::string dir = mkdtemp(dirName);
    SetFileSelectAnswer((dir + "/run.csv").c_str());
    Record();
    ASSERT_TRUE(RecordingActive());
    std::function<void()> watch = [&] {
        if (RecordingRows() > 0 && std::filesystem::exists(dir)) std::filesystem::remove_all(dir);
        if (!RecordingActive()) return Stop();
        After(context, 0.01, watch);
    };
    After(context, 0.01, watch);
    StopAfter(10.0); // ends a run that nothing else stops
    Run();
    EXPECT_FALSE(RecordingActive());
    const std::string state = ControlText(pHandle, PANEL_TEXTRecording);
    EXPECT_NE(state.find("removed"), std::string::npos) << state;
}

// No dialog of ours stops a running loop: while the report's note dialog and
// then its save dialog are open, measurement requests go on leaving (the loop
// once stood still for as long as a dialog was open). Prints the line's trace.
TEST_F(Recording, RunGoesOnWhileTheReportsDialogsAreOpen) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok()) << sensor.error();
    InitRS232(1);
    auto requests = [&] {
        int n = 0;
        for (const SimEvent &e : sensor.events())
            n += e.dir == "rx" && e.code == 8;
        return n;
    };
    int at = -1, before = 0;         // the dialog open (0 note, 1 save; 2 both done), requests then
    size_t from[2] = {}, to[2] = {}; // the line's events while each was open
    std::function<void()> poll = [&] {
        auto *dialog = static_cast<QDialog *>(QApplication::activeModalWidget());
        if (at == -1 && loopActive) {
            CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
        } else if (at < 0 || !dialog || requests() < before + 10) {
            return After(context, 0.002, poll);
        } else {
            to[at] = sensor.events().size();
            at == 0 ? dialog->accept() : dialog->reject(); // the note taken: the save dialog
        }
        if (++at == 2) return Stop();
        before = requests();
        from[at] = sensor.events().size();
        After(context, 0.002, poll);
    };
    After(context, 0.05, poll);
    After(context, 10.0, [] { // a dialog that stopped the loop is closed, so the test ends
        if (QWidget *d = QApplication::activeModalWidget()) static_cast<QDialog *>(d)->reject();
        Stop();
    });
    Run();
    ASSERT_EQ(at, 2) << "the requests stopped while a dialog was open";
    const std::vector<SimEvent> events = sensor.events();
    for (int k = 0; k < 2; k++) {
        std::printf("line while the report's %s dialog is open:\n", k ? "save" : "note");
        for (size_t i = from[k]; i < to[k]; i++)
            std::printf("  %8.4f s  %s %s code %d\n", events[i].t, events[i].dir.c_str(),
                        events[i].kind.c_str(), events[i].code);
    }
}

// A run recorded from the paced simulator, replayed by a fresh one: at each
// row's moment the replaying sensor measures the recorded edges and values.
TEST_F(Recording, ReplayReproducesTheRecordedValues) {
    sim::Config config = InstantConfig("t1");
    config.instant = false;
    config.period = 2.0;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    SetFileSelectAnswer(path.c_str());
    Record();
    StopAfter(1.5);
    Run();
    Record();
    const Csv csv = ReadCsv(path);
    ASSERT_GT(csv.rows.size(), 20u);

    sim::Config replaying = InstantConfig("t1");
    std::string error;
    ASSERT_TRUE(sim::LoadReplay(path, &replaying.replay, &error)) << error;
    sim::Sensor replay(replaying);
    ASSERT_TRUE(replay.PowerUp(&error)) << error;
    const double t0 = 100.0, first = std::atof(csv.rows[0][SECONDS].c_str());
    replay.Measure(t0); // the replay's second 0
    int twoEdges = 0, oneOrNone = 0;
    for (const auto &r : csv.rows) {
        // Half a millisecond into the row: its stamp is rounded to one.
        const sim::Measurement m =
            replay.Measure(t0 + std::atof(r[SECONDS].c_str()) - first + 5e-4);
        ASSERT_EQ(m.Mvalue, Num(r[W_MVALUE])) << r[REPLY];
        ASSERT_EQ(m.Ledge, Num(r[W_LEDGE])) << r[REPLY];
        ASSERT_EQ(m.Redge, Num(r[W_REDGE])) << r[REPLY];
        ASSERT_EQ(m.edcnt, Num(r[W_EDCNT])) << r[REPLY];
        ASSERT_EQ(m.umValue, Num(r[W_UM])) << r[REPLY];
        (m.edcnt == 2 ? twoEdges : oneOrNone)++;
    }
    EXPECT_GT(twoEdges, 0);

    // An edge the sensor reported on the line's last position plays back
    // there: a run that leaves by the right end replays whole.
    const unsigned end = replaying.model.id.ccdmaxpixelX8;
    std::ofstream(path) << RecordingHeader() << "\r\n"
                        << ",0.000,1,100," << end << ",,,,,2,0,0,0,0,0,0\r\n"
                        << ",0.040,2," << end << ",0,,,,,1,4000,100,0,0,0,0\r\n";
    ASSERT_TRUE(sim::LoadReplay(path, &replaying.replay, &error)) << error;
    sim::Sensor ends(replaying);
    ASSERT_TRUE(ends.PowerUp(&error)) << error;
    const sim::Measurement both = ends.Measure(t0), one = ends.Measure(t0 + 0.045);
    EXPECT_EQ(both.edcnt, 2);
    EXPECT_EQ(both.Redge, end);
    EXPECT_EQ(one.edcnt, 1);
    EXPECT_EQ(one.Ledge, end);

    // A file without the columns the replay needs is refused, naming them.
    std::ofstream(path) << "time,seconds,Mvalue\n0,0,5\n";
    EXPECT_FALSE(sim::LoadReplay(path, &replaying.replay, &error));
    EXPECT_NE(error.find("no column Ledge"), std::string::npos) << error;
}

} // namespace
