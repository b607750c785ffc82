// The link's reports, passed on to the sink the program installed.
#include "com232/linksink.h"

static LinkSink sink = {}; // written by InstallLinkSink only

void InstallLinkSink(const LinkSink *s) {
    sink = s ? *s : LinkSink{};
}

void LinkStatus(const char *text) {
    if (sink.status) sink.status(text);
}

void LinkIdentified(void) {
    if (sink.identified) sink.identified();
}

void LinkTargetChosen(int t) {
    if (sink.targetChosen) sink.targetChosen(t);
}

void LinkSettingsFetched(void) {
    if (sink.settingsFetched) sink.settingsFetched();
}
