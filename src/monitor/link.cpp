// The monitor's side of the sensor link.
#include "monitor/link.h"

#include "monitor/messages.h"
#include "monitor/publisher.h"
#include "platform/runtime.h"

namespace {

const char *state = "port missing"; // what BASE/link says
long replies = 0;                   // measurements taken since start

} // namespace

void LinkStart(const MonitorConfig &, const int *) {
    PublishRetained("link", LinkJson(state, ""));
}

void LinkTurn(const int *) {
    PumpEvents(0.1);
}

void LinkStop(void) {}

void LinkQuit(void) {}

void LinkFlushRecording(void) {}

long LinkReplies(void) {
    return replies;
}

const char *LinkStateText(void) {
    return state;
}
