// Commands from the control room.
#include "monitor/commands.h"

#include <cstdio>
#include <deque>

#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/portsetup.h"
#include "com232/protocol.h"
#include "monitor/messages.h"
#include "monitor/publisher.h"
#include "platform/jsondoc.h"
#include "statistics/runstats.h"

namespace {

constexpr std::size_t NAME_IN_JOURNAL = 40; // longest name or id the journal repeats

struct Command {
    JsonItem id;      // as sent: a text or a number; null when it had none
    std::string name; // "" when it had none
};

bool measuring = false;                                // the link is "ok": the run loop turns
std::string linkWhy = "starting";                      // else its state and text, for the answer
std::deque<Command> waiting;                           // sensor commands, oldest first
void (*resultSink)(const std::string &json) = nullptr; // else BASE/command/result

// A text of the sender's, fit for one journal line: printable, short.
std::string Printable(const std::string &text) {
    std::string out;
    for (const char c : text.substr(0, NAME_IN_JOURNAL))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    return out + (text.size() > NAME_IN_JOURNAL ? "..." : "");
}

std::string IdText(const JsonItem &id) {
    if (id.type == JsonItem::Type::String) return Printable(id.text);
    if (id.type == JsonItem::Type::Number) return Printable(WriteJsonLine(id));
    return "none";
}

void Answer(const Command &c, bool ok, const std::string &text) {
    std::fprintf(stderr, "vortelix-monitor: command %s (id %s): %s: %s\n",
                 c.name.empty() ? "?" : Printable(c.name).c_str(), IdText(c.id).c_str(),
                 ok ? "done" : "failed", text.c_str());
    const std::string json = CommandResultJson(c.id, c.name, ok, text);
    if (resultSink)
        resultSink(json);
    else
        PublishMessage("command/result", json);
}

void RestartAndPublishStatistics() {
    RestartStatistics();
    RunSummary s;
    RunStatisticsSummary(&s);
    PublishRetained("statistics", StatisticsJson(s, PublisherState().dropped));
}

// One sensor command on the line, sent as the desktop program sends it. The
// line is free: the reply before has come and no request is out.
void Run(const Command &c) {
    if (c.name == "reset-maxmin") {
        SendCommand(CODE_RESET_ANALOG, 0);
        if (WaitReplyTo(CODE_RESET_ANALOG, TIMEOUT_TEXT))
            Answer(c, true, "analog output max/min reset");
        else
            Answer(c, false, "the sensor did not answer the reset in time");
    } else if (c.name == "teach") {
        SendCommand(CODE_TEACH, 0);
        if (!WaitReplyTo(CODE_TEACH, TIMEOUT_TEXT)) {
            Answer(c, false, "the sensor did not answer the teach in time");
        } else if (!FetchParameters(RAM)) {
            Answer(c, false, "taught, but the set-point could not be read back");
        } else {
            PublishRetained("parameters", ParametersJson());
            Answer(c, true, "set-point taught: " + std::to_string(tVal) + " " + PositionUnitName());
        }
    } else if (c.name == "read-parameters") {
        if (FetchParameters(RAM)) {
            PublishRetained("parameters", ParametersJson());
            Answer(c, true, "parameters read from the sensor's RAM and published");
        } else {
            Answer(c, false, "the sensor did not send its parameters in time");
        }
    }
}

void AnswerWaiting(const std::string &why) {
    for (; !waiting.empty(); waiting.pop_front())
        Answer(waiting.front(), false, why);
}

} // namespace

void TakeCommand(const std::string &payload) {
    Command c;
    JsonItem doc;
    std::string error;
    const bool parsed = ParseJson(payload, &doc, &error);
    const JsonItem *name = parsed ? doc.Member("command") : nullptr;
    const JsonItem *id = parsed ? doc.Member("id") : nullptr;
    if (name && name->type == JsonItem::Type::String) c.name = name->text;
    if (id && (id->type == JsonItem::Type::String || id->type == JsonItem::Type::Number))
        c.id = *id;
    std::fprintf(stderr, "vortelix-monitor: command %s (id %s) received\n",
                 c.name.empty() ? "?" : Printable(c.name).c_str(), IdText(c.id).c_str());
    const bool known = c.name == "reset-statistics" || c.name == "reset-maxmin" ||
                       c.name == "teach" || c.name == "read-parameters";
    if (!parsed) {
        Answer(c, false, "not a JSON object {\"command\": NAME, \"id\": ID}: " + error);
    } else if (c.id.type == JsonItem::Type::Null) {
        Answer(c, false, "no id: a text or a number is needed to match the result");
    } else if (!known) {
        Answer(c, false,
               c.name.empty() ? "no command name"
                              : "unknown command (reset-statistics, reset-maxmin, "
                                "teach or read-parameters)");
    } else if (c.name == "reset-statistics") {
        RestartAndPublishStatistics();
        Answer(c, true, "statistics restarted");
    } else if (!measuring) {
        Answer(c, false, "the sensor is not measuring: link " + linkWhy);
    } else {
        waiting.push_back(c);
    }
}

void StartCommands(bool enabled) {
    if (enabled) SubscribeTopic("command", TakeCommand);
}

void CommandsLinkState(bool nowMeasuring, const std::string &state, const std::string &text) {
    measuring = nowMeasuring;
    linkWhy = state + ": " + text;
    if (!measuring) AnswerWaiting("the sensor is not measuring: link " + linkWhy);
}

void RunWaitingCommands(void) {
    // A command whose reply timed out leaves the line as the run loop's next
    // request finds it: that request starts its own clock.
    while (!waiting.empty()) {
        const Command c = waiting.front();
        waiting.pop_front();
        Run(c);
    }
}

void StopCommands(const std::string &why) {
    AnswerWaiting(why);
}

void CommandResultsTo(void (*sink)(const std::string &json)) {
    resultSink = sink;
}

int CommandsWaiting(void) {
    return static_cast<int>(waiting.size());
}
