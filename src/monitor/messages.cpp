// JSON texts of the monitor's topics.
#include "monitor/messages.h"

#include <cstdio>
#include <cstdlib>

#include "com232/identify.h"
#include "com232/protocol.h"
#include "platform/jsondoc.h"
#include "platform/textcodec.h"
#include "platform/ticker.h"

static std::string Now() {
    char stamp[40];
    LocalTimeISO(stamp, sizeof stamp);
    return stamp;
}

std::string LinkJson(const char *state, const char *text) {
    JsonItem j = JsonItem::NewObject();
    j.Add("state", JsonItem::Of(state));
    j.Add("time", JsonItem::Of(Now()));
    j.Add("text", JsonItem::Of(text));
    return WriteJsonLine(j);
}

// A figure to six significant digits, or null when it is undefined.
static JsonItem Figure(bool defined, double v) {
    if (!defined) return JsonItem{};
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", ZeroUnsigned(v, 6));
    return JsonItem::Of(std::strtod(text, nullptr));
}

std::string StatisticsJson(const RunSummary &s, long dropped) {
    const StatSeries &v = s.value;
    JsonItem j = JsonItem::NewObject();
    j.Add("time", JsonItem::Of(Now()));
    j.Add("n", JsonItem::Of(double(v.count)));
    j.Add("mean", Figure(v.hasMean, v.mean));
    j.Add("sd", Figure(v.hasSd, v.sd));
    j.Add("min", Figure(v.hasMean, v.min));
    j.Add("max", Figure(v.hasMean, v.max));
    j.Add("outOfTolerance", JsonItem::Of(double(s.outOfTolerance)));
    j.Add("cp", Figure(s.hasCp, s.cp));
    j.Add("cpk", Figure(s.hasCpk, s.cpk));
    j.Add("dropped", JsonItem::Of(double(dropped)));
    return WriteJsonLine(j);
}

std::string MeasurementJson(long seq, const RunReply &r) {
    JsonItem j = JsonItem::NewObject();
    j.Add("seq", JsonItem::Of(double(seq)));
    j.Add("time", JsonItem::Of(r.localTime));
    for (const RunFieldDef &f : RUN_FIELDS)
        j.Add(f.name, JsonItem::Of(double(RunFieldValue(r, f))));
    j.Add("inTol", JsonItem::Flag(InTolerance(r.Mvalue, r.tVal, r.tTol)));
    return WriteJsonLine(j);
}

std::string IdentityJson(const char *port) {
    JsonItem j = JsonItem::NewObject();
    for (const IdentityWordDef &w : IDENTITY_WORDS)
        j.Add(w.name, JsonItem::Of(double(*w.value)));
    const CcdRow *row = CcdTypeRow();
    std::string description;
    if (row && row->line0) description = row->line0;
    if (row && row->line1) description += std::string(description.empty() ? "" : " ") + row->line1;
    // The sensor's texts are in the program's code page; JSON is UTF-8.
    j.Add("description", JsonItem::Of(WinAnsiToUtf8(description.c_str())));
    j.Add("firmware", JsonItem::Of(WinAnsiToUtf8(szFirmware)));
    j.Add("port", JsonItem::Of(port));
    j.Add("version", JsonItem::Of(VTLX_VERSION));
    return WriteJsonLine(j);
}

std::string ParametersJson(void) {
    JsonItem j = JsonItem::NewObject();
    for (const ParamWordDef &w : PARAM_WORDS)
        j.Add(w.name, JsonItem::Of(double(*w.value)));
    return WriteJsonLine(j);
}
