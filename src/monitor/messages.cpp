// JSON texts of the monitor's topics.
#include "monitor/messages.h"

#include <cstdio>
#include <cstdlib>

#include "com232/identify.h"
#include "com232/protocol.h"
#include "platform/textcodec.h"
#include "platform/ticker.h"

void AppendJsonString(std::string *out, const std::string &text) {
    out->push_back('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(ch);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out->append(esc);
        } else {
            out->push_back(ch);
        }
    }
    out->push_back('"');
}

static std::string Now() {
    char stamp[40];
    LocalTimeISO(stamp, sizeof stamp);
    return stamp;
}

std::string LinkJson(const char *state, const char *text) {
    std::string j = "{\"state\":";
    AppendJsonString(&j, state);
    j += ",\"time\":\"" + Now() + "\",\"text\":";
    AppendJsonString(&j, text);
    return j + "}";
}

// A figure, or null when it is undefined.
static std::string Figure(bool defined, double v) {
    if (!defined) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", ZeroUnsigned(v, 6));
    return text;
}

std::string StatisticsJson(const RunSummary &s, long dropped) {
    const StatSeries &v = s.value;
    return "{\"time\":\"" + Now() + "\",\"n\":" + std::to_string(v.count) +
           ",\"mean\":" + Figure(v.hasMean, v.mean) + ",\"sd\":" + Figure(v.hasSd, v.sd) +
           ",\"min\":" + Figure(v.hasMean, v.min) + ",\"max\":" + Figure(v.hasMean, v.max) +
           ",\"outOfTolerance\":" + std::to_string(s.outOfTolerance) +
           ",\"cp\":" + Figure(s.hasCp, s.cp) + ",\"cpk\":" + Figure(s.hasCpk, s.cpk) +
           ",\"dropped\":" + std::to_string(dropped) + "}";
}

std::string MeasurementJson(long seq, const RunReply &r) {
    // In tolerance as the statistics count it: |Mvalue - tVal| <= tTol.
    const bool inTol = std::abs(static_cast<int>(r.Mvalue) - static_cast<int>(r.tVal)) <= r.tTol;
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"seq\":%ld,\"time\":\"%s\",\"Ledge\":%u,\"Redge\":%u,\"Mvalue\":%u,"
                  "\"umValue\":%d,\"tVal\":%u,\"tTol\":%u,\"edcnt\":%u,\"mvstart\":%u,"
                  "\"mvend\":%u,\"dynpower\":%u,\"anaMax\":%u,\"anaMin\":%u,\"in0\":%u,"
                  "\"inTol\":%s}",
                  seq, r.localTime, r.Ledge, r.Redge, r.Mvalue, r.umValue, r.tVal, r.tTol, r.edcnt,
                  r.mvstart, r.mvend, r.dynpower, r.anaMax, r.anaMin, r.in0,
                  inTol ? "true" : "false");
    return text;
}

std::string IdentityJson(const char *port) {
    const struct {
        const char *name;
        u16 value;
    } words[] = {{"ccdtype", ccdtype},
                 {"ccdmaxpixel", ccdmaxpixel},
                 {"ccdresolution", ccdresolution},
                 {"pcbtype", pcbtype},
                 {"ccdmaxpixelX8", ccdmaxpixelX8},
                 {"ccdsubpixel", ccdsubpixel},
                 {"ccdpixB", ccdpixB},
                 {"ccdpixE", ccdpixE},
                 {"softversion", softversion}};
    std::string j = "{";
    for (const auto &w : words)
        j += std::string("\"") + w.name + "\":" + std::to_string(w.value) + ",";
    const CcdRow *row = CcdTypeRow();
    std::string description;
    if (row && row->line0) description = row->line0;
    if (row && row->line1) description += std::string(description.empty() ? "" : " ") + row->line1;
    j += "\"description\":";
    // The sensor's texts are in the program's code page; JSON is UTF-8.
    AppendJsonString(&j, WinAnsiToUtf8(description.c_str()));
    j += ",\"firmware\":";
    AppendJsonString(&j, WinAnsiToUtf8(szFirmware));
    j += ",\"port\":";
    AppendJsonString(&j, port);
    j += ",\"version\":";
    AppendJsonString(&j, VTLX_VERSION);
    return j + "}";
}

std::string ParametersJson(void) {
    std::string j = "{";
    for (const ParamWordDef &w : PARAM_WORDS)
        j +=
            std::string(j.size() > 1 ? "," : "") + "\"" + w.name + "\":" + std::to_string(*w.value);
    return j + "}";
}
