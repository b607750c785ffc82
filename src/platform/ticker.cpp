// Tickers on QTimer; local time from the C library.
#include "platform/ticker.h"

#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

static std::map<int, QTimer *> tickers; // by id
static int lastTickerId = 0;

int StartTicker(double seconds, void (*onTick)(void)) {
    if (!onTick || seconds <= 0) return 0;
    auto *timer = new QTimer();
    timer->setTimerType(Qt::CoarseTimer);
    timer->setInterval(static_cast<int>(seconds * 1000));
    QObject::connect(timer, &QTimer::timeout, [onTick] { onTick(); });
    timer->start();
    tickers[++lastTickerId] = timer;
    return lastTickerId;
}

int StopTicker(int id) {
    auto it = tickers.find(id);
    if (it == tickers.end()) return 0;
    it->second->stop();
    delete it->second;
    tickers.erase(it);
    return 1;
}

static std::tm LocalNow(int *millis) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    *millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm local{};
    localtime_r(&secs, &local);
    return local;
}

int LocalTimeISO(char *text, std::size_t size) {
    int ms = 0;
    const std::tm t = LocalNow(&ms);
    const long offset = t.tm_gmtoff / 60; // minutes east of UTC
    const long a = offset < 0 ? -offset : offset;
    return std::snprintf(text, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                         t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                         ms, offset < 0 ? '-' : '+', a / 60, a % 60);
}

int LocalTimeForName(char *text, std::size_t size) {
    int ms = 0;
    const std::tm t = LocalNow(&ms);
    return std::snprintf(text, size, "%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                         t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}
