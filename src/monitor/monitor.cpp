// The monitor's main loop and its tickers.
#include "monitor/monitor.h"

#include <cstdio>
#include <string>

#include "monitor/commands.h"
#include "monitor/availability.h"
#include "monitor/link.h"
#include "monitor/messages.h"
#include "monitor/notify.h"
#include "monitor/publisher.h"
#include "monitor/record.h"
#include "platform/runtime.h"
#include "platform/ticker.h"
#include "statistics/runstats.h"

namespace {

constexpr double STOP_LIMIT_S = 3.0; // the longest a clean stop waits for the broker

int quitAsked = 0;            // 1 once a quit signal came
MonitorCounts counts;         // what MonitorState gives
long repliesAtLastStatus = 0; // counts.replies at the last status line
double lastStatusAt = 0.0;    // Timer() then
double startedAt = 0.0;       // Timer() when RunMonitor began

void OnQuit(void) {
    // The run loop ends with the reply in flight (the link's reader sees it).
    quitAsked = 1;
}

// Statistics and health, retained, every --stats-every seconds.
void OnStatistics(void) {
    RunSummary s;
    RunStatisticsSummary(&s);
    const PublisherCounts p = PublisherState();
    PublishRetained("statistics", StatisticsJson(s, p.dropped));
    const LinkCounts link = LinkState();
    HealthFigures h;
    h.uptime = Timer() - startedAt;
    h.replyRate = counts.replyRate;
    h.replies = link.replies;
    h.queued = p.waiting + p.inFlight;
    h.dropped = p.dropped;
    h.reconnects = p.reconnects;
    h.linkErrors = link.linkErrors;
    h.linkState = link.state;
    // Before the link starts it has been in its first state since the start.
    h.linkStateFor = Timer() - (link.stateSince > startedAt ? link.stateSince : startedAt);
    h.recording = RecordingDayFile();
    h.recordingRows = RecordingDayRows();
    PublishRetained("health", HealthJson(h));
}

// Watchdog, status line and the recording's flush: once a second or faster.
void OnHealth(void) {
    NotifyWatchdog();
    LinkFlushRecording();
    const double now = Timer();
    counts.replies = LinkReplies();
    if (now - lastStatusAt >= 1.0) {
        counts.replyRate =
            static_cast<double>(counts.replies - repliesAtLastStatus) / (now - lastStatusAt);
        repliesAtLastStatus = counts.replies;
        lastStatusAt = now;
        const PublisherCounts p = PublisherState();
        char text[200];
        std::snprintf(text, sizeof text, "%.1f replies/s, link %s, broker %s, %ld queued",
                      counts.replyRate, LinkStateText(), p.connected ? "connected" : "away",
                      p.waiting + p.inFlight);
        NotifyStatus(text);
    }
}

} // namespace

int RunMonitor(const MonitorConfig &config) {
    InstallQuitSignals(OnQuit);
    std::string error;
    if (!StartPublisher(config, &error) || !StartAvailability(config, &error)) {
        std::fprintf(stderr, "vortelix-monitor: %s\n", error.c_str());
        return 1;
    }
    StartSession();
    RestartStatistics();
    startedAt = lastStatusAt = Timer();
    StartTicker(config.statsEvery, OnStatistics);
    StartTicker(WatchdogEvery(), OnHealth);
    OnStatistics();

    // Ready once the monitor runs, sensor or not: a sensor that is off at
    // boot is a state of the link, not a service that failed to start.
    LinkStart(config, &quitAsked);
    StartCommands(config.commands);
    NotifyReady();
    while (!quitAsked)
        LinkTurn(&quitAsked);

    StopCommands("the monitor stopped before the command could go to the sensor");
    OnStatistics(); // the last figures, with the recording still named
    LinkStop();
    // Both connections say offline within the one limit; the main one is
    // ended last, the library's clean-up with it.
    const double end = Timer() + STOP_LIMIT_S;
    StopAvailability(STOP_LIMIT_S);
    StopPublisher(end - Timer());
    return 0;
}

MonitorCounts MonitorState(void) {
    counts.replies = LinkReplies();
    return counts;
}
