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
#include "monitor/messages.h"
#include "monitor/publisher.h"
#include "monitor/record.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "statistics/runstats.h"

namespace {

constexpr double REOPEN_MIN_S = 1.0;  // first pause before opening a missing port again
constexpr double REOPEN_MAX_S = 30.0; // the pause doubles up to this

const char *state = "port missing";    // what BASE/link says: "ok", "no reply", "port missing"
std::string lastText;                  // the link's last status text
long seq = 0;                          // measurements published since start
const MonitorConfig *config = nullptr; // set by the first LinkStart
const int *quitAsked = nullptr;        // 1 once a quit signal came
double stateSince = 0.0;               // Timer() when state was last set
long linkErrors = 0;                   // turns of the run loop without a reply

void SetState(const char *s) {
    if (std::string(s) == state) return;
    state = s;
    stateSince = Timer();
    PublishRetained("link", LinkJson(state, lastText.c_str()));
}

void OnStatus(const char *text) {
    lastText = text;
    std::fprintf(stderr, "vortelix-monitor: %s\n", text);
}

void OnReply(const RunReply &r) {
    // A quit that came while a request went out is not lost to the loop's restart.
    if (*quitAsked) stop_flag = 1;
    seq++;
    AddRunReply(r.Mvalue, r.umValue, 1, r.tVal, r.tTol);
    QueueMeasurement(MeasurementJson(seq, r));
    RecordMeasurement(r);
    if (std::string(state) != "ok") SetState("ok");
}

// 1 when the port's device is there to be opened.
// The port's number names a device and that device is there (a number
// keeps its device while it is gone).
bool PortPresent() {
    char device[256];
    return ComPortDevice(com, device, sizeof device) == 1 && access(device, F_OK) == 0;
}

// The link chain, then identity and parameters published. 1 when the sensor
// answered the echo.
int RunChain(void) {
    if (InitRS232(com) != 1) return 0;
    PublishRetained("identity", IdentityJson(config->port.c_str()));
    PublishRetained("parameters", ParametersJson());
    return 1;
}

} // namespace

void LinkStart(const MonitorConfig &c, const int *quit) {
    if (!config) {
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
        PublishRetained("link", LinkJson(state, ""));
    }
    double pause = REOPEN_MIN_S;
    while (!*quit && !(PortPresent() && RunChain())) {
        // A missing port is no fault to end on: look again, less often.
        SetState("port missing");
        const double until = Timer() + pause;
        while (!*quit && Timer() < until)
            PumpEvents(until - Timer());
        pause = pause * 2 > REOPEN_MAX_S ? REOPEN_MAX_S : pause * 2;
    }
    if (!*quit) SetState("ok");
}

void LinkTurn(const int *quit) {
    if (*quit) return;
    if (RunMeasurementLoop()) return; // stopped by a quit signal
    linkErrors++;
    if (PortPresent() && nBytesW == FRAMELEN) {
        SetState("no reply"); // the loop asks again on the next turn
        return;
    }
    SetState("port missing");
    CloseCom(com);
    LinkStart(*config, quit); // the whole chain again once it is back
}

void LinkStop(void) {
    StopRecordingDays();
    CloseCom(com);
}

void LinkQuit(void) {
    stop_flag = 1;
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
    return {state, stateSince, seq, linkErrors};
}
