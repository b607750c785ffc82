// Headless run-time on Qt Core.
#include "platform/service.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

// Arguments handed to QCoreApplication; they must outlive it.
int appArgc = 1;
char appName[] = "vortelix-monitor";
char *appArgv[] = {appName, nullptr};

} // namespace

int InitServiceRuntime(int, char **argv) {
    if (QCoreApplication::instance()) return 1;
    if (argv && argv[0]) appArgv[0] = argv[0];
    new QCoreApplication(appArgc, appArgv); // lives until the process ends
    return 1;
}

void PostToMainThread(void (*fn)(void *), void *data) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !fn) return;
    QMetaObject::invokeMethod(
        app, [fn, data] { fn(data); }, Qt::QueuedConnection);
}
