// JSON texts of the monitor's topics.
#include "monitor/messages.h"

#include <cstdio>

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
