// The checks of what anybody may hand the program: a recording to review,
// the monitor's configuration, a command from the control room.
#include "checks.h"

#include "com232/com232.h"
#include "monitor/commands.h"
#include "monitor/config.h"
#include "platform/configsource.h"
#include "platform/jsondoc.h"
#include "review/recordfile.h"
#include "scratch.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// The file's lines as a line reader gives them: split at "\n", one "\r"
// before it dropped, a last line without "\n" counted.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::string SeriesFault(const StatSeries &s, long count, const char *what) {
    const std::string name = what;
    if (s.count != count)
        return name + ": " + std::to_string(s.count) + " values, not " + std::to_string(count);
    if (s.hasMean && !(std::isfinite(s.mean) && s.min <= s.mean && s.mean <= s.max))
        return name + ": mean " + std::to_string(s.mean) + " outside its min and max";
    if (s.hasSd && !(std::isfinite(s.sd) && s.sd >= 0)) return name + ": sd not finite";
    return "";
}

// The figures of rows [first, end) are finite and count those rows.
std::string SpanFault(const Recording &r, long first, long end) {
    const long n = end - first;
    RunSummary s;
    if (SpanSummary(r, first, end, &s) != (n > 0)) return "summary of a span said no rows wrongly";
    if (n <= 0) return "";
    long withUm = 0;
    for (long i = first; i < end; i++)
        withUm += r.um[i] != NO_UM;
    std::string why = SeriesFault(s.value, n, "value");
    if (why.empty()) why = SeriesFault(s.um, withUm, "um");
    if (!why.empty()) return why;
    if (s.outOfTolerance < 0 || s.outOfTolerance > n) return "more out of tolerance than rows";
    if ((s.hasCp && !std::isfinite(s.cp)) || (s.hasCpk && !std::isfinite(s.cpk)))
        return "Cp or Cpk not finite";
    HistogramFigures h;
    if (!SpanHistogram(r, first, end, &h)) return "no histogram of rows";
    long binned = 0;
    for (const long c : h.counts)
        binned += c;
    if (binned != n || h.total != n || h.replies != n) return "histogram does not count the rows";
    if (h.below + h.above > n || h.below + h.above != s.outOfTolerance)
        return "histogram and summary count different rows out of tolerance";
    if (!std::isfinite(h.mean) || !std::isfinite(h.sd)) return "histogram mean or sd not finite";
    return "";
}

// A trend and the tolerance band over the whole recording: points inside
// the span, values among the column's.
std::string TrendFault(const Recording &r) {
    const double from = r.seconds.front(), to = r.seconds.back() + 1.0;
    std::vector<double> x, y, lower, upper;
    for (const int column : {TREND_MVALUE, TREND_LEDGE, TREND_REDGE, TREND_OUT}) {
        TrendEnvelope(r, column, from, to, 7, &x, &y);
        if (x.size() != y.size()) return "trend x and y differ in size";
        const std::vector<u16> &v = column == TREND_LEDGE   ? r.ledge
                                    : column == TREND_REDGE ? r.redge
                                                            : r.mvalue;
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        for (std::size_t i = 0; i < x.size(); i++) {
            if (!(x[i] >= from && x[i] <= to)) return "trend point outside the span";
            if (!std::isnan(y[i]) && (y[i] < *lo || y[i] > *hi)) return "trend value no row holds";
        }
    }
    ToleranceBand(r, from, to, 7, &x, &lower, &upper);
    if (x.size() < 2 || x.size() != lower.size() || x.size() != upper.size())
        return "tolerance band of the wrong size";
    if (!std::is_sorted(x.begin(), x.end())) return "tolerance band goes back";
    return "";
}

// One result of a command: the id as sent, the name, and ok only as allowed.
std::string ResultFault(const std::string &json, const JsonItem *sentId, const std::string &name,
                        bool mayBeOk) {
    JsonItem result;
    std::string error;
    if (!ParseJson(json, &result, &error)) return "result is no JSON object: " + error;
    const JsonItem *id = result.Member("id"), *command = result.Member("command"),
                   *ok = result.Member("ok"), *text = result.Member("text");
    if (!id || !command || !ok || !text) return "result lacks a member: " + json;
    if (WriteJsonLine(*id) != (sentId ? WriteJsonLine(*sentId) : "null"))
        return "result's id is not the one sent: " + json;
    if (name.empty() ? command->type != JsonItem::Type::Null : command->text != name)
        return "result names another command: " + json;
    if (ok->type != JsonItem::Type::Bool || (ok->boolean && !mayBeOk))
        return "result says ok where it cannot: " + json;
    if (text->type != JsonItem::Type::String || text->text.empty()) return "result without a text";
    return "";
}

std::vector<std::string> results;

// Runs body with standard error on /dev/null: the journal lines of
// every input would drown the fuzzer's own.
template <typename Body> void Quietly(Body body) {
    std::fflush(stderr);
    const int saved = dup(2), null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0) dup2(null, 2);
    body();
    std::fflush(stderr);
    if (saved >= 0 && null >= 0) dup2(saved, 2);
    if (saved >= 0) close(saved);
    if (null >= 0) close(null);
}

} // namespace

std::string CheckRecording(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchFile(".csv");
    if (!WriteFile(path, data, size)) return "cannot write " + path;
    Recording r;
    char error[512] = "";
    if (!ReadRecording(path.c_str(), &r, error, sizeof error)) {
        if (!*error || HasControl(error)) return "refused without a one-line reason";
        return r.seconds.empty() && r.lines == 0 ? "" : "refused, yet rows kept";
    }
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string_view> lines = Lines(text);
    const long n = static_cast<long>(r.seconds.size());
    for (const std::size_t column :
         {r.reply.size(), r.ledge.size(), r.redge.size(), r.mvalue.size(), r.setPoint.size(),
          r.tolerance.size(), r.um.size()})
        if (column != r.seconds.size()) return "columns of different lengths";

    // Every line after the header is a row taken, a row left out or blank.
    const long blank = std::count(lines.begin() + 1, lines.end(), std::string_view());
    if (r.lines != static_cast<long>(lines.size()) || n + r.damaged + blank != r.lines - 1)
        return "rows taken and left out do not add up to the lines";
    if (r.damagedRows.size() != static_cast<std::size_t>(std::min<long>(r.damaged, 100)) ||
        r.damagedBefore.size() != r.damagedRows.size())
        return "damaged rows listed wrongly";
    long lastLine = 1;
    for (std::size_t i = 0; i < r.damagedRows.size(); i++) {
        const long line = std::atol(r.damagedRows[i].c_str() + 5);
        if (r.damagedRows[i].rfind("line ", 0) != 0 || line <= lastLine || line > r.lines ||
            !lines[static_cast<std::size_t>(line - 1)].size())
            return "damaged row names no row of the file: " + r.damagedRows[i];
        if (r.damagedBefore[i] > n || (i && r.damagedBefore[i] < r.damagedBefore[i - 1]))
            return "damaged row placed outside the rows";
        lastLine = line;
    }

    // Rows: seconds finite and in order, a reply number, a time as written.
    for (long i = 0; i < n; i++) {
        if (!std::isfinite(r.seconds[i]) || r.seconds[i] < 0 ||
            (i && r.seconds[i] < r.seconds[i - 1]))
            return "seconds not finite or going back at row " + std::to_string(i);
        if (r.reply[i] == 0) return "reply number 0 taken";
    }
    if ((n > 0) != !r.firstTime.empty() || (n > 0 && r.lastTime.size() != r.firstTime.size()))
        return "first and last time do not match the rows";

    // A gap where the seconds jump or the numbers go back, and only where
    // the rows part somehow.
    std::size_t g = 0;
    for (long i = 1; i < n; i++) {
        const bool gap = g < r.gaps.size() && r.gaps[g].row == i;
        if (!gap && (r.seconds[i] - r.seconds[i - 1] > GAP_SECONDS || r.reply[i] <= r.reply[i - 1]))
            return "no gap before row " + std::to_string(i);
        if (!gap) continue;
        const RecordGap &p = r.gaps[g++];
        if (p.from != r.seconds[i - 1] || p.to != r.seconds[i] || p.replyFrom != r.reply[i - 1] ||
            p.replyTo != r.reply[i])
            return "gap before row " + std::to_string(i) + " says other rows";
        if (p.to - p.from <= GAP_SECONDS && p.replyTo == p.replyFrom + 1)
            return "gap between rows that follow each other";
    }
    if (g != r.gaps.size()) return "gaps out of order or outside the rows";
    if (n == 0) return NearestRow(r, 0.0) == -1 ? "" : "a nearest row in no rows";

    // Figures of the whole and of its second half; the nearest rows.
    std::string why = SpanFault(r, 0, n);
    if (why.empty()) why = SpanFault(r, n / 2, n);
    if (why.empty()) why = TrendFault(r);
    if (!why.empty()) return why;
    for (const double at : {-1.0, r.seconds[n / 2], r.seconds.back() + 5})
        if (NearestRow(r, at) < 0 || NearestRow(r, at) >= n) return "nearest row outside the rows";
    return "";
}

std::string CheckMonitorConfig(const std::uint8_t *data, std::size_t size) {
    // The file's text up to the first zero byte, then one option or value
    // per zero-separated part.
    static const std::string path = ScratchFile(".conf");
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::size_t zero = text.find('\0');
    const std::string_view file = text.substr(0, zero);
    if (!WriteFile(path, data, file.size())) return "cannot write " + path;
    std::vector<std::string> args = {"vortelix-monitor", "--config", path};
    for (std::string_view rest = zero == std::string_view::npos ? "" : text.substr(zero);
         !rest.empty() && args.size() < 24;) {
        rest.remove_prefix(1);
        const std::size_t next = rest.find('\0');
        args.emplace_back(rest.substr(0, next));
        rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
    }
    auto load = [](std::vector<std::string> &a, MonitorConfig *c, std::string *error) {
        std::vector<char *> argv;
        for (std::string &s : a)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        int rc = 0;
        Quietly([&] { rc = LoadMonitorConfig(static_cast<int>(a.size()), argv.data(), c, error); });
        return rc;
    };
    MonitorConfig c;
    std::string error;
    const int rc = load(args, &c, &error);
    if (rc == 1) return "";
    if (rc == CONFIG_EXIT)
        return error.empty() || HasControl(error) ? "refused without a one-line reason: " + error
                                                  : "";
    if (rc != 0) return "exit code " + std::to_string(rc);

    // What it runs on is a configuration a user could have given.
    auto topicFault = [](const std::string &t) {
        return t.empty() || t.find_first_of("#+") != std::string::npos || t.back() == '/' ||
               t[0] == '$' || t.size() > 4096 || HasControl(t);
    };
    for (const std::string *s :
         {&c.port, &c.brokerHost, &c.clientId, &c.username, &c.cafile, &c.recordDir, &c.node})
        if (HasControl(*s)) return "a control character in a setting: " + *s;
    if (c.portNumber == 0 ? c.port.empty() || c.port[0] != '/'
                          : c.portNumber < 0 || c.portNumber > 256)
        return "port " + c.port + " taken";
    if (c.brokerHost.empty() || c.brokerPort < 1 || c.brokerPort > 65535)
        return "broker " + c.brokerHost + " taken";
    if (topicFault(c.topic) || (!c.discovery.empty() && topicFault(c.discovery)))
        return "topic " + c.topic + " or prefix " + c.discovery + " taken";
    if (c.clientId.empty() || !(c.statsEvery >= 1 && c.statsEvery <= 86400) || c.queueLimit < 1 ||
        c.queueLimit > 10000000)
        return "a client id, period or queue limit out of range taken";
    if (!c.cafile.empty() && !c.tls) return "a CA file without TLS taken";
    if (args.size() > 3) return "";

    // The file's keys given as options instead give the same configuration.
    ConfigValues keys;
    std::vector<int> numbers;
    if (!ReadIniKeys(path.c_str(), &keys, &numbers, &error)) return "file read once, not twice";
    std::vector<std::string> options = {"vortelix-monitor"};
    for (const auto &[key, value] : keys)
        options.push_back("--" + key + "=" + value);
    MonitorConfig o;
    if (load(options, &o, &error) != 0) return "the file's keys as options refused: " + error;
    if (o.port != c.port || o.brokerHost != c.brokerHost || o.brokerPort != c.brokerPort ||
        o.tls != c.tls || o.topic != c.topic || o.clientId != c.clientId ||
        o.username != c.username || o.password != c.password || o.recordDir != c.recordDir ||
        o.statsEvery != c.statsEvery || o.queueLimit != c.queueLimit || o.commands != c.commands ||
        o.discovery != c.discovery)
        return "the file's keys as options give another configuration";
    return "";
}

std::string CheckCommand(const std::uint8_t *data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char *>(data), size);
    // What the command is, read apart from the monitor's own reading.
    JsonItem doc;
    std::string error;
    const bool parsed = ParseJson(payload, &doc, &error);
    const JsonItem *name = parsed ? doc.Member("command") : nullptr;
    const JsonItem *id = parsed ? doc.Member("id") : nullptr;
    if (id && id->type != JsonItem::Type::String && id->type != JsonItem::Type::Number)
        id = nullptr;
    const std::string named = name && name->type == JsonItem::Type::String ? name->text : "";
    const bool forSensor =
        id && (named == "reset-maxmin" || named == "teach" || named == "read-parameters");
    const bool statistics = id && named == "reset-statistics";

    // No port is open: a frame the monitor sends would find none and fail.
    CommandResultsTo([](const std::string &json) { results.push_back(json); });
    for (const bool measuring : {false, true}) {
        results.clear();
        portGone = 1;
        const unsigned frames = frameCount;
        Quietly([&] {
            CommandsLinkState(measuring, measuring ? "ok" : "port missing", "-");
            TakeCommand(payload);
        });
        if (frameCount != frames) return "a frame sent as the command came";
        const bool waits = measuring && forSensor;
        if (CommandsWaiting() != (waits ? 1 : 0))
            return std::to_string(CommandsWaiting()) + " waiting for the line, not " +
                   (waits ? "1" : "0");
        if (results.size() != (waits ? 0u : 1u))
            return std::to_string(results.size()) + " results as the command came";
        if (waits) Quietly([] { RunWaitingCommands(); });
        if (results.size() != 1 || CommandsWaiting() != 0)
            return std::to_string(results.size()) + " results, not one";
        const std::string why = ResultFault(results[0], id, named, statistics);
        if (!why.empty()) return why;
    }
    CommandResultsTo(nullptr);
    return "";
}
