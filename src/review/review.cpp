// Review windows over recordings read back.
#include "review/review.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "window/lastfolder.h"
#include "platform/ticker.h"
#include "platform/widgets/reviewwindow.h"
#include "platform/widgets/userint.h"
#include "gui/histogrampanel.h"
#include "review/recordfile.h"

static const double POLL = 0.1;          // s between looks for the end of a reading
static const int MAX_GAPS_LISTED = 1000; // gaps in the list at most; the rest are counted
static const char DIALOG_TITLE[] = "Open a recording";
static const char MESSAGE_TITLE[] = "Recording review";

struct Review {
    std::string name; // the file's name without its folder
    Recording rec;
    std::vector<double> x, y, lower, upper; // the trend's points, reused
    std::string texts[REVIEW_TEXT_SPAN + 1];
};

static std::map<int, std::unique_ptr<Review>> reviews; // by window
// A reading the button started. The thread owns a share of it and is never
// waited for: a program that ends while a file is read does not wait either.
struct Loading {
    std::unique_ptr<Review> review = std::make_unique<Review>();
    char error[1400] = ""; // why it failed
    int ok = 0;            // 1 when it read a recording
    std::atomic<bool> done{false};
};
static std::shared_ptr<Loading> loading; // the reading under way, or none
static int poller = 0;                   // ticker looking for the reader's end
static std::unique_ptr<Review> opening;  // the review whose window opens now

// The review of a window. A window asks for its trend while it opens, before
// its number is known: the review that opens is its review.
static Review *Find(int window) {
    auto it = reviews.find(window);
    if (it != reviews.end()) return it->second.get();
    if (!opening) return nullptr;
    Review *r = opening.get();
    reviews[window] = std::move(opening);
    return r;
}

static const char *BaseName(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// h:mm:ss of seconds since the first row.
static std::string Clock(double s) {
    const long t = static_cast<long>(std::floor(s));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    return text;
}

static void SetText(int window, Review *r, int field, const std::string &text) {
    r->texts[field] = text;
    SetReviewText(window, field, text.c_str());
}

static void OnSpan(int window, double from, double to, int pixels) {
    Review *r = Find(window);
    if (!r) return;
    static_assert(int{TREND_OUT} == int{REVIEW_CURVE_OUT} &&
                  int{TREND_MVALUE} == int{REVIEW_CURVE_VALUE});
    for (int c : {TREND_MVALUE, TREND_LEDGE, TREND_REDGE, TREND_OUT}) {
        TrendEnvelope(r->rec, c, from, to, pixels, &r->x, &r->y);
        SetReviewTrend(window, c, r->x.data(), r->y.data(), static_cast<int>(r->x.size()));
    }
    ToleranceBand(r->rec, from, to, pixels, &r->x, &r->lower, &r->upper);
    SetReviewBand(window, r->x.data(), r->lower.data(), r->upper.data(),
                  static_cast<int>(r->x.size()));
}

// The reading under the mouse: the nearest row's time of day (counted on
// from the first row's), its time on the trend's axis and its values.
static void OnCursor(int window, double at) {
    Review *r = Find(window);
    if (!r) return;
    const Recording &rec = r->rec;
    const long i = NearestRow(rec, at);
    if (i < 0) return;
    std::string text;
    if (std::fabs(rec.seconds[i] - at) > GAP_SECONDS / 2) {
        text = Clock(at) + ": no row here (a gap)";
    } else {
        // "2026-12-08T06:34:29.123+01:00": the clock from the 12th character.
        int h = 0, m = 0;
        double s = 0;
        std::sscanf(rec.firstTime.c_str() + std::min<std::size_t>(11, rec.firstTime.size()),
                    "%d:%d:%lf", &h, &m, &s);
        const double day =
            std::fmod(h * 3600 + m * 60 + s + rec.seconds[i] - rec.seconds[0], 86400);
        const int ms = static_cast<int>(std::lround(day * 1000));
        char line[200];
        std::snprintf(
            line, sizeof line,
            "%02d:%02d:%02d.%03d (%s into the recording): measured value %d, "
            "set-point %d \xB1 %d, %s",
            ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000, Clock(rec.seconds[i]).c_str(),
            rec.mvalue[i], rec.setPoint[i], rec.tolerance[i],
            !InTolerance(rec.mvalue[i], rec.setPoint[i], rec.tolerance[i]) ? "out of tolerance"
                                                                           : "in tolerance");
        text = line;
    }
    SetReviewText(window, REVIEW_TEXT_READING, text.c_str());
}

static void OnSettled(int window, double from, double to, int) {
    Review *r = Find(window);
    if (!r) return;
    long first, end;
    SpanRows(r->rec, from, to, &first, &end);
    char text[200];
    std::snprintf(text, sizeof text, "In view %s to %s: %ld rows", Clock(from).c_str(),
                  Clock(to).c_str(), end - first);
    SetText(window, r, REVIEW_TEXT_SPAN, text);
    RunSummary s;
    SpanSummary(r->rec, first, end, &s);
    FormatStatSeries(s.value, text, sizeof text);
    SetText(window, r, REVIEW_TEXT_VALUE, text);
    FormatStatSeries(s.um, text, sizeof text);
    SetText(window, r, REVIEW_TEXT_UM, text);
    FormatToleranceFigures(s, text, sizeof text);
    SetText(window, r, REVIEW_TEXT_TOLERANCE, text);
    HistogramFigures f;
    SpanHistogram(r->rec, first, end, &f);
    const HistogramView v = HistogramViewOf(f, "Measured value [sub-pixels]");
    SetReviewHistogram(window, &v);
}

static void OnClose(int window) {
    reviews.erase(window);
}

// The line about the file, and the list of gaps and damaged rows.
static void ShowFile(int window, Review *r) {
    const Recording &rec = r->rec;
    char text[600];
    std::snprintf(text, sizeof text,
                  "%s: %zu rows from %s to %s; %zu gaps; %ld damaged rows left out",
                  r->name.c_str(), rec.seconds.size(), rec.firstTime.c_str(), rec.lastTime.c_str(),
                  rec.gaps.size(), rec.damaged);
    SetText(window, r, REVIEW_TEXT_FILE, text);
    std::vector<std::string> lines;
    std::vector<double> at; // where each line points to on the trend
    const long rows = static_cast<long>(rec.seconds.size());
    for (std::size_t d = 0; d < rec.damagedRows.size(); d++) {
        lines.push_back("Damaged " + rec.damagedRows[d]);
        at.push_back(
            rec.seconds[static_cast<std::size_t>(std::min(rec.damagedBefore[d], rows - 1))]);
    }
    if (rec.damaged > static_cast<long>(rec.damagedRows.size())) {
        lines.push_back("... and " +
                        std::to_string(rec.damaged - static_cast<long>(rec.damagedRows.size())) +
                        " more damaged rows");
        at.push_back(std::nan(""));
    }
    std::vector<double> marks;
    for (const RecordGap &g : rec.gaps) {
        marks.push_back(g.from);
        if (static_cast<int>(marks.size()) > MAX_GAPS_LISTED) continue;
        std::snprintf(text, sizeof text, "Gap at %s: %.3f s, reply %ld then %ld",
                      Clock(g.from).c_str(), g.to - g.from, g.replyFrom, g.replyTo);
        lines.emplace_back(text);
        at.push_back(g.from);
    }
    if (rec.gaps.size() > static_cast<std::size_t>(MAX_GAPS_LISTED)) {
        lines.push_back("... and " + std::to_string(rec.gaps.size() - MAX_GAPS_LISTED) +
                        " more gaps");
        at.push_back(std::nan(""));
    }
    std::vector<const char *> items;
    for (const std::string &l : lines)
        items.push_back(l.c_str());
    SetReviewList(window, items.data(), at.data(), static_cast<int>(items.size()));
    SetReviewMarks(window, marks.data(), static_cast<int>(marks.size()));
}

// Opens the window of a recording read in full.
static int Show(std::unique_ptr<Review> r, char *error, int size) {
    if (r->rec.seconds.empty()) {
        std::snprintf(error, static_cast<std::size_t>(size), "%s holds no row that can be read.",
                      r->name.c_str());
        return 0;
    }
    const double first = r->rec.seconds.front(), last = r->rec.seconds.back();
    opening = std::move(r);
    const int window = OpenReviewWindow(first, last, OnSpan, OnSettled, OnClose, OnCursor);
    Review *review = window > 0 ? Find(window) : nullptr;
    opening.reset();
    if (!review) {
        std::snprintf(error, static_cast<std::size_t>(size),
                      "The review window could not be opened.");
        return 0;
    }
    ShowFile(window, review);
    return window;
}

int OpenRecordingReview(const char *path, char *error, int size) {
    auto r = std::make_unique<Review>();
    r->name = BaseName(path);
    if (!ReadRecording(path, &r->rec, error, size)) return 0;
    return Show(std::move(r), error, size);
}

static void Poll(void) {
    if (!loading || !loading->done) return;
    StopTicker(poller);
    poller = 0;
    const std::shared_ptr<Loading> l = std::move(loading);
    if (!l->ok || !Show(std::move(l->review), l->error, sizeof l->error))
        MessagePopup(MESSAGE_TITLE, l->error);
}

int RecordingReviewLoading(void) {
    return loading != nullptr;
}

int RecordingReviewCount(void) {
    return static_cast<int>(reviews.size());
}

int RecordingReviewTexts(int window, char *text, int size) {
    auto it = reviews.find(window);
    if (it == reviews.end()) return 0;
    std::string all;
    for (const std::string &t : it->second->texts)
        all += t + "\n";
    std::snprintf(text, static_cast<std::size_t>(size), "%s", all.c_str());
    return 1;
}

int CC_BTNOpenRecording(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (loading) {
        MessagePopup(MESSAGE_TITLE, "A recording is being read; its window opens when it is read.");
        return 0;
    }
    // The dialog does not wait: a run in the main window goes on meanwhile.
    SelectFileInLastFolderThen("", "*.csv", DIALOG_TITLE, VAL_LOAD_BUTTON, 0, [](const char *path) {
        if (loading) return; // a second dialog answered while the first file is read
        loading = std::make_shared<Loading>();
        loading->review->name = BaseName(path);
        std::thread([l = loading, file = std::string(path)] {
            l->ok = ReadRecording(file.c_str(), &l->review->rec, l->error, sizeof l->error);
            l->done = true;
        }).detach();
        poller = StartTicker(POLL, Poll);
    });
    return 0;
}
