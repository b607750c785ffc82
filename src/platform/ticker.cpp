// Tickers on QTimer; local time from QDateTime.
#include "platform/ticker.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// The text into a buffer of `size` (cut to fit, always ended); its length.
static int CopyOut(const QString &value, char *text, std::size_t size) {
    const QByteArray bytes = value.toUtf8();
    if (size > 0) {
        const std::size_t n = std::min(size - 1, static_cast<std::size_t>(bytes.size()));
        std::memcpy(text, bytes.constData(), n);
        text[n] = '\0';
    }
    return static_cast<int>(bytes.size());
}

int LocalTimeISO(char *text, std::size_t size) {
    const QDateTime now = QDateTime::currentDateTime();
    // The offset always as +hh:mm, UTC too (Qt would write Z there).
    const int offset = now.offsetFromUtc() / 60, a = std::abs(offset);
    return CopyOut(now.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
                       QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', a / 60, a % 60),
                   text, size);
}

int LocalTimeForName(char *text, std::size_t size) {
    return CopyOut(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), text,
                   size);
}
