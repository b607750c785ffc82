// What the program writes about a measurement, byte for byte: the
// recording's header and rows, the monitor's messages, a named set and the
// report (without its pictures), for
// a sensor of each pixel geometry (1024, 1180 and 1536 pixels). The kept
// files under golden/ are what consumers read today; a change to one of
// these texts has to be meant. VTLX_WRITE_GOLDEN=1 writes them afresh.
#include "com232/identify.h"
#include "com232/protocol.h"
#include "files.h"
#include "monitor/messages.h"
#include "paramsets/namedset.h"
#include "recording/recorder.h"
#include "report/report.h"
#include "statistics/runstats.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

namespace {

struct Sensor {
    const char *name;
    u16 identity[9]; // type, pixels (the program's), resolution, pcb, x8, sub, pixB, pixE, version
    u16 reported;    // the pixel count the sensor sent
};

const Sensor SENSORS[] = {
    {"t1", {1, 1024, 78, 0, 8192, 1024, 1, 1023, 310}, 1024},
    {"t103", {103, 256, 0, 1, 9440, 9440, 8, 9432, 220}, 1180},
    {"t104", {104, 1536, 0, 1, 12288, 1536, 1, 1535, 221}, 1536},
};

// Three replies: an ordinary one, one without a micrometre value and far out
// of tolerance, one at the top of every word and a negative micrometre value.
RunReply Reply(int i) {
    RunReply r = {};
    const u16 words[3][PNUM] = {
        {412, 5230, 4818, 0x2D6A, 0x0004, 4800, 40, 2, 412, 5230, 512, 3000, 100, 7},
        {0, 0, 0, 0, 0, 4800, 40, 0, 0, 0, 0, 0, 0, 0},
        {65535, 65535, 65535, 0xFFFE, 0xFFFF, 65535, 65535, 65535, 65535, 65535, 65535, 65535,
         65535, 65535},
    };
    r = DecodeRunReply(words[i]);
    r.monotonic = 100.0 + 0.0405 * i;
    std::snprintf(r.localTime, sizeof r.localTime, "2026-12-09T04:5%d:07.%03d+01:00", i,
                  123 + 40 * i);
    return r;
}

std::string Texts(const Sensor &s) {
    u16 *identity[] = {&ccdtype,     &ccdmaxpixel, &ccdresolution, &pcbtype,    &ccdmaxpixelX8,
                       &ccdsubpixel, &ccdpixB,     &ccdpixE,       &softversion};
    for (int i = 0; i < 9; i++)
        *identity[i] = s.identity[i];
    ccdmaxpixelReported = s.reported;
    std::snprintf(szFirmware, sizeof szFirmware, "FW 2.21 \"%s\" \\ \x01", s.name);
    u16 words[PNUM];
    for (int i = 0; i < PNUM; i++)
        *PARAM_WORDS[i].value = words[i] = static_cast<u16>(1000 * i + s.identity[0]);

    std::string out = std::string(RecordingHeader()) + "\r\n";
    ResetRunStatistics();
    for (int i = 0; i < 3; i++) {
        const RunReply r = Reply(i);
        char row[256];
        const RecordingRow fields = {r.localTime, r.monotonic - 100.0, i + 1L, r, i != 1};
        FormatRecordingRow(fields, row, sizeof row);
        out += row;
        out += MeasurementJson(i + 1, r) + "\n";
        AddRunReply(r.Mvalue, r.umValue, i != 1, r.tVal, r.tTol);
        RunSummary summary;
        RunStatisticsSummary(&summary);
        out += StatisticsJson(summary, i) + "\n";
    }
    out += IdentityJson("/dev/ttyUSB0") + "\n" + ParametersJson() + "\n";
    out += NamedSetToJson(words, {"2026-12-09 04:50:07", "CCD sensor \xC2\xB5 type", szFirmware});
    ReportData report = GatherReport(0); // the sets as the compare window holds them
    report.date = "2026-12-09 04:50:07";
    report.pictures.clear(); // drawn by the platform's fonts: no part of the format
    out += ComposeReport(report);
    // The clock of the moment and this program's version are no part of the format,
    out = std::regex_replace(out, std::regex("\"time\":\"[0-9T:.+-]{20,}\""), "\"time\":\"NOW\"");
    out = std::regex_replace(out, std::regex("\"version\":\"[0-9.]+\""), "\"version\":\"V\"");
    // Nor the ports this machine has.
    return std::regex_replace(out, std::regex(">COM[0-9]+[^<]*<"), ">PORT<");
}

TEST(Formats, MeasurementTextsAreKeptByteForByte) {
    const bool write = std::getenv("VTLX_WRITE_GOLDEN") != nullptr;
    for (const Sensor &s : SENSORS) {
        SCOPED_TRACE(s.name);
        const std::string path = std::string(VTLX_GOLDEN_DIR) + "/formats-" + s.name + ".txt";
        const std::string text = Texts(s);
        if (write) WriteFile(path, text);
        const std::string kept = ReadFile(path);
        ASSERT_FALSE(kept.empty()) << path;
        std::size_t at = 0;
        while (at < text.size() && at < kept.size() && text[at] == kept[at])
            at++;
        EXPECT_EQ(text.size(), kept.size());
        if (at < text.size() || at < kept.size()) {
            const std::size_t from =
                kept.rfind('\n', at) == std::string::npos ? 0 : kept.rfind('\n', at) + 1;
            ADD_FAILURE() << "first difference at byte " << at
                          << "\nkept: " << kept.substr(from, kept.find('\n', at) - from)
                          << "\nnow:  " << text.substr(from, text.find('\n', at) - from);
        }
    }
}

} // namespace
