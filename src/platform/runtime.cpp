// Run-time engine on Qt: the application object, the event loop, the pump.
#include "platform/runtime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// Arguments handed to the application object; they must outlive it.
int appArgc = 1;
char appName[] = "vortelix-riror";
char *appArgv[] = {appName, nullptr};

QEventLoop *mainLoop = nullptr; // the loop of RunUserInterface, while it runs
bool quitRequested = false;     // QuitUserInterface came before or during the loop
int quitCode = 0;               // code passed to QuitUserInterface

// A waiting routine calls ProcessSystemEvents in a tight loop. A bare
// processEvents() returns at once and burns a core, so the pump blocks until
// the next event, and this 1 ms tick bounds the wait. The tick stops itself
// once nobody has pumped for a while, so an idle window costs nothing.
constexpr int kTickMs = 1;
constexpr qint64 kTickIdleMs = 200;
QTimer *pumpTick = nullptr;
QElapsedTimer lastPump;

void StartPumpTick() {
    if (!pumpTick) {
        pumpTick = new QTimer(QCoreApplication::instance());
        pumpTick->setTimerType(Qt::PreciseTimer);
        pumpTick->setInterval(kTickMs);
        QObject::connect(pumpTick, &QTimer::timeout, [] {
            if (lastPump.elapsed() > kTickIdleMs) pumpTick->stop();
        });
    }
    lastPump.restart();
    if (!pumpTick->isActive()) pumpTick->start();
}

} // namespace

int InitCVIRTE(void *, char *argv[], void *) {
    // The window services create their own application object before this.
    if (QCoreApplication::instance()) return 1;
    if (argv && argv[0]) appArgv[0] = argv[0];
    new QCoreApplication(appArgc, appArgv); // lives until the process ends
    return 1;
}

int RunUserInterface(void) {
    if (!quitRequested && QCoreApplication::instance()) {
        QEventLoop loop;
        mainLoop = &loop;
        loop.exec();
        mainLoop = nullptr;
    }
    quitRequested = false;
    return quitCode;
}

int QuitUserInterface(int returnCode) {
    quitCode = returnCode;
    quitRequested = true;
    if (mainLoop) mainLoop->exit(returnCode);
    return 0;
}

int ProcessSystemEvents(void) {
    if (!QCoreApplication::instance()) return 0;
    StartPumpTick();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return 0;
}

void PumpEvents(double maxWait) {
    if (!QCoreApplication::instance()) return;
    // One timer, re-armed for each call: it only bounds the wait, the
    // events themselves wake the loop.
    static QTimer *deadline = nullptr;
    if (!deadline) {
        deadline = new QTimer(QCoreApplication::instance());
        deadline->setSingleShot(true);
        deadline->setTimerType(Qt::PreciseTimer);
    }
    const int ms = maxWait <= 0 ? 0 : maxWait >= 1e6 ? 1000000000 : int(maxWait * 1000 + 0.999);
    if (ms == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    deadline->start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    deadline->stop();
}

double Timer(void) {
    using clock = std::chrono::steady_clock;
    static const clock::time_point origin = clock::now();
    return std::chrono::duration<double>(clock::now() - origin).count();
}

void Delay(double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

#ifndef _WIN32
namespace {

int signalPipe[2] = {-1, -1};        // the handler writes, the notifier reads
void (*quitHandler)(void) = nullptr; // the program's reaction to a signal

// Only async-signal-safe work here: one byte into the pipe.
void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = write(signalPipe[1], &byte, 1);
}

} // namespace

int InstallQuitSignals(void (*onQuit)(void)) {
    if (!QCoreApplication::instance() || !onQuit) return 0;
    quitHandler = onQuit;
    if (signalPipe[0] < 0) {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return 0;
        auto *notifier =
            new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            char drain[16];
            [[maybe_unused]] const auto n = read(signalPipe[0], drain, sizeof drain);
            if (quitHandler) quitHandler();
        });
    }
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    return 1;
}
#else
int InstallQuitSignals(void (*)(void)) {
    return 0;
}
#endif
