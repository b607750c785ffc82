// A window drawn as the user sees it, for pictures and looks at its layout:
// waits until the window is exposed on its screen, then delivers what it has
// queued (layouts, the graphs' replots) in one pass, which waits on no clock.
#pragma once

#include "waits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <QWindow>

// False when the window is not exposed before the hang ceiling.
inline bool Settle(QWidget *window) {
    const auto exposed = [window] {
        return window->isVisible() && window->windowHandle() && window->windowHandle()->isExposed();
    };
    const QDeadlineTimer ceiling(qint64(kHangCeiling * TimeFactor() * 1000));
    while (!exposed() && !ceiling.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return exposed();
}
