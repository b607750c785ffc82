// How the link reports upward. The link knows no window: the program that
// runs it installs one sink at start. The desktop program's sink writes the
// status line and adapts the window; a program without a window logs. Until
// a sink is installed, and for every entry left null, reports go nowhere.
#pragma once

struct LinkSink {
    void (*status)(const char *text); // a status text for the operator, at most 71 characters
    void (*identified)(void);         // identity words taken: graphs, limits, texts follow them
    void (*targetChosen)(int t);      // the send target became t (RAM after a port set-up)
    void (*settingsFetched)(void);    // a parameter fetch ended; the settings hold what came
};

// Installs sink (copied); null installs the empty sink.
void InstallLinkSink(const LinkSink *sink);

// One line per report: each passes on to the installed sink, if it has one.
void LinkStatus(const char *text);
void LinkIdentified(void);
void LinkTargetChosen(int t);
void LinkSettingsFetched(void);
