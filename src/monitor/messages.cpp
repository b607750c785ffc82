// JSON texts of the monitor's topics.
#include "monitor/messages.h"

#include <cstdio>
#include <cstdlib>

#include "com232/identify.h"
#include "com232/protocol.h"
#include "platform/jsondoc.h"
#include "platform/textcodec.h"
#include "platform/ticker.h"

namespace {

std::string session; // local time the monitor started; "" before StartSession
std::string since;   // local time the run statistics count from; "" before RestartStatistics

std::string Now() {
    char stamp[40];
    LocalTimeISO(stamp, sizeof stamp);
    return stamp;
}

// A text, or null for none.
JsonItem TextOrNull(const std::string &text) {
    return text.empty() ? JsonItem{} : JsonItem::Of(text);
}

// A figure to six significant digits, or null when it is undefined.
JsonItem Figure(bool defined, double v) {
    if (!defined) return JsonItem{};
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", ZeroUnsigned(v, 6));
    return JsonItem::Of(std::strtod(text, nullptr));
}

} // namespace

void StartSession(void) {
    session = Now();
}

void RestartStatistics(void) {
    ResetRunStatistics();
    since = Now();
}

std::string LinkJson(const char *state, const char *text) {
    JsonItem j = JsonItem::NewObject();
    j.Add("state", JsonItem::Of(state));
    j.Add("time", JsonItem::Of(Now()));
    j.Add("text", JsonItem::Of(text));
    return WriteJsonLine(j);
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
    j.Add("session", TextOrNull(session));
    j.Add("since", TextOrNull(since));
    j.Add("positionUnit", JsonItem::Of(PositionUnitName()));
    // The limits the tolerance figures were counted against: the last reply's.
    j.Add("setPoint", Figure(v.count > 0, s.setPoint));
    j.Add("tolerance", Figure(v.count > 0, s.tolerance));
    j.Add("umUnit", JsonItem::Of(FieldUnitName(FieldUnit::Micrometre)));
    j.Add("umN", JsonItem::Of(double(s.um.count)));
    j.Add("umMean", Figure(s.um.hasMean, s.um.mean));
    j.Add("umSd", Figure(s.um.hasSd, s.um.sd));
    j.Add("umMin", Figure(s.um.hasMean, s.um.min));
    j.Add("umMax", Figure(s.um.hasMean, s.um.max));
    return WriteJsonLine(j);
}

std::string MeasurementJson(long seq, const RunReply &r) {
    JsonItem j = JsonItem::NewObject();
    j.Add("seq", JsonItem::Of(double(seq)));
    j.Add("time", JsonItem::Of(r.localTime));
    for (const RunFieldDef &f : RUN_FIELDS)
        j.Add(f.name, JsonItem::Of(double(RunFieldValue(r, f))));
    j.Add("inTol", JsonItem::Flag(InTolerance(r.Mvalue, r.tVal, r.tTol)));
    j.Add("session", TextOrNull(session));
    j.Add("type", JsonItem::Of(double(ccdtype)));
    j.Add("positionUnit", JsonItem::Of(PositionUnitName()));
    j.Add("umUnit", JsonItem::Of(FieldUnitName(FieldUnit::Micrometre)));
    const char *mode = EvalModeName(eMode);
    j.Add("evalMode", mode ? JsonItem::Of(mode) : JsonItem{});
    return WriteJsonLine(j);
}

std::string SensorDescription(void) {
    const CcdRow *row = CcdTypeRow();
    std::string description;
    if (row && row->line0) description = row->line0;
    if (row && row->line1) description += std::string(description.empty() ? "" : " ") + row->line1;
    // The sensor's texts are in the program's code page; JSON is UTF-8.
    return WinAnsiToUtf8(description.c_str());
}

std::string IdentityJson(const char *port) {
    JsonItem j = JsonItem::NewObject();
    for (const IdentityWordDef &w : IDENTITY_WORDS)
        j.Add(w.name, JsonItem::Of(double(*w.value)));
    j.Add("description", JsonItem::Of(SensorDescription()));
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

std::string HealthJson(const HealthFigures &h) {
    JsonItem j = JsonItem::NewObject();
    j.Add("time", JsonItem::Of(Now()));
    j.Add("session", TextOrNull(session));
    j.Add("uptime", Figure(true, h.uptime));
    j.Add("replyRate", Figure(true, h.replyRate));
    j.Add("replies", JsonItem::Of(double(h.replies)));
    j.Add("queued", JsonItem::Of(double(h.queued)));
    j.Add("dropped", JsonItem::Of(double(h.dropped)));
    j.Add("reconnects", JsonItem::Of(double(h.reconnects)));
    j.Add("linkErrors", JsonItem::Of(double(h.linkErrors)));
    j.Add("linkState", JsonItem::Of(h.linkState));
    j.Add("linkStateFor", Figure(true, h.linkStateFor));
    j.Add("recording", TextOrNull(h.recording));
    j.Add("recordingRows", JsonItem::Of(double(h.recordingRows)));
    return WriteJsonLine(j);
}

std::string CommandResultJson(const JsonItem &id, const std::string &name, bool ok,
                              const std::string &text) {
    JsonItem j = JsonItem::NewObject();
    j.Add("id", id);
    j.Add("command", TextOrNull(name));
    j.Add("ok", JsonItem::Flag(ok));
    j.Add("text", JsonItem::Of(text));
    j.Add("time", JsonItem::Of(Now()));
    return WriteJsonLine(j);
}
