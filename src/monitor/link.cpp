// The monitor's side of the sensor link: the desktop program's link chain and
// run loop, with the monitor's readers and sink.
#include "monitor/link.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "com232/com232.h"
#include "com232/identify.h"
#include "com232/linksink.h"
#include "com232/measure.h"
#include "com232/portsetup.h"
#include "com232/protocol.h"
#include "monitor/commands.h"
#include "monitor/discovery.h"
#include "monitor/messages.h"
#include "monitor/publisher.h"
#include "monitor/record.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/textcodec.h"
#include "statistics/runstats.h"

namespace {

constexpr double REOPEN_MIN_S = 1.0;  // first pause before opening a missing port again
constexpr double REOPEN_MAX_S = 30.0; // the pause doubles up to this

const char *state = "starting";        // what BASE/link says (LinkState)
double stateSince = 0.0;               // Timer() when it began
std::string lastText;                  // the link's last status text
std::string identity;                  // the identity published last ("" before the first)
std::string lastDevice;                // the device the port named last
long seq = 0;                          // measurements published since start
long linkErrors = 0;                   // times the line was lost or the sensor fell silent
const MonitorConfig *config = nullptr; // set by the first LinkStart
const int *quitAsked = nullptr;        // 1 once a quit signal came

// The state and its text go to BASE/link and to the journal, once each time
// the state changes: a state that lasts says nothing more.
void SetState(const char *s, const std::string &text) {
    if (std::string(s) == state) return;
    state = s;
    stateSince = Timer();
    std::fprintf(stderr, "vortelix-monitor: link %s: %s\n", s, text.c_str());
    PublishRetained("link", LinkJson(state, text.c_str()));
    CommandsLinkState(std::string(s) == "ok", s, text);
}

// The link's own texts (echo, time-outs, "Line Ok!") are kept for the
// states' texts; the journal gets the states, not every step of the chain.
void OnStatus(const char *text) {
    lastText = text;
}

void OnReply(const RunReply &r) {
    // The reply in flight when a quit signal came is the last: published,
    // recorded, and no request after it.
    if (*quitAsked) stop_flag = 1;
    seq++;
    AddRunReply(r.Mvalue, r.umValue, 1, r.tVal, r.tTol);
    QueueMeasurement(MeasurementJson(seq, r));
    RecordMeasurement(r);
    // Between this reply and the next request the line is free.
    if (!*quitAsked) RunWaitingCommands();
}

// The port's device, or the one it named last once its link has gone.
std::string Device() {
    char device[256];
    if (ComPortDevice(com, device, sizeof device) == 1) lastDevice = device;
    return lastDevice.empty() ? "COM" + std::to_string(com) : lastDevice;
}

// The port's number names a device and that device is there (a number keeps
// its device while it is gone).
bool PortPresent() {
    char device[256];
    return ComPortDevice(com, device, sizeof device) == 1 && access(device, F_OK) == 0;
}

// The state an open that failed leaves.
void OpenFailed(int result) {
    const std::string device = Device();
    if (result == kComCannotOpen && ComOpenCause(com) == kComCauseInUse) {
        char holder[128];
        ComPortHolder(com, holder, sizeof holder);
        SetState("port in use",
                 device + " is held by " + (*holder ? std::string(holder) : "another program"));
    } else {
        SetState("port missing", device + ": " + OpenErrorText(result));
    }
}

// After the chain: a sensor other than the one measured before gets its
// identity and set published anew and statistics of its own.
void Identified() {
    const std::string now = IdentityJson(config->port.c_str());
    const CcdRow *row = CcdTypeRow();
    const std::string type = "type " + std::to_string(ccdtype) +
                             (row && row->line0 ? " (" + WinAnsiToUtf8(row->line0) + ")" : "");
    std::string text = "measuring, " + type;
    if (!identity.empty() && now != identity) {
        RestartStatistics();
        text = "a different sensor identified: " + type + "; statistics restarted";
    } else if (!identity.empty()) {
        text = "the sensor answers again, " + type;
    }
    identity = now;
    PublishRetained("identity", now);
    PublishRetained("parameters", ParametersJson());
    PublishDiscovery(*config);
    SetState("ok", text);
}

// The link chain (echo, identification, parameters from RAM, firmware text)
// until it has run, or quit. Nothing is measured before it: a request carries
// the set just read from the sensor that answers now.
void Connect() {
    double pause = REOPEN_MIN_S;
    while (!*quitAsked) {
        CloseCom(com);
        if (!PortPresent()) {
            SetState("port missing", "no device at " + Device());
        } else {
            const int result = InitRS232(com);
            if (result == CHAIN_SET_READ) {
                Identified();
                return;
            }
            if (result < 0) {
                OpenFailed(result);
            } else {
                // An echo without an answer, or a chain that broke off: the
                // sensor is silent, late or was just being plugged in.
                SetState("no reply", "no answer from the sensor on " + Device() +
                                         (lastText.empty() ? "" : " (" + lastText + ")"));
                pause = REOPEN_MIN_S; // the time-outs were the pause
                continue;
            }
        }
        // A missing or held port is no fault to end on: look again, less often.
        const double until = Timer() + pause;
        while (!*quitAsked && Timer() < until)
            PumpEvents(until - Timer());
        pause = pause * 2 > REOPEN_MAX_S ? REOPEN_MAX_S : pause * 2;
    }
}

} // namespace

void LinkStart(const MonitorConfig &c, const int *quit) {
    config = &c;
    quitAsked = quit;
    static const LinkSink sink = {OnStatus, nullptr, nullptr, nullptr};
    InstallLinkSink(&sink);
    AssignSettingsDefaults();
    AssignLinkDefaults();
    // A device path is taken as port 1, whatever the port folder says.
    com = c.portNumber > 0 ? c.portNumber : 1;
    if (c.portNumber == 0) AssignComDevice(com, c.port.c_str());
    AddRunReader(OnReply);
    StartRecordingDays(c.recordDir);
    stateSince = Timer();
    std::fprintf(stderr, "vortelix-monitor: link starting: looking for the sensor on %s\n",
                 Device().c_str());
    PublishRetained("link", LinkJson(state, ("looking for the sensor on " + Device()).c_str()));
}

void LinkTurn(const int *quit) {
    if (*quit) return;
    if (std::string(state) != "ok") {
        Connect();
        return;
    }
    const int end = RunMeasurementLoop();
    if (end == RUN_LOOP_STOPPED || *quit) return;
    linkErrors++;
    // Whatever answers next is identified first: the line was lost, and the
    // sensor at its end may not be the one measured before.
    if (end == RUN_LOOP_NO_REPLY && PortPresent())
        SetState("no reply",
                 "no answer to a measurement request within the time-out on " + Device());
    else
        SetState("port missing", "the line to " + Device() + " was lost");
}

void LinkStop(void) {
    StopRecordingDays();
    CloseCom(com);
}

void LinkFlushRecording(void) {
    FlushRecordingDays();
}

long LinkReplies(void) {
    return seq;
}

const char *LinkStateText(void) {
    return state;
}

LinkCounts LinkState(void) {
    return LinkCounts{state, stateSince, seq, linkErrors};
}
