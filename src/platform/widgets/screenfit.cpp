// A panel that scrolls inside a window fitting a small screen.
#include "platform/widgets/screenfit.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

namespace {
const QString kScrollName = QStringLiteral("panelScroll");
constexpr int kFrame = 40; // room for the window frame and title bar
} // namespace

QSize FitPanelToScreen(QWidget *win, QSize size) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize();
    const QSize least = win->minimumSizeHint();
    if (!room.isValid() || !win->layout()) return size;
    if (least.width() <= room.width() && least.height() <= room.height())
        return size.boundedTo(room - QSize(kFrame / 2, kFrame)).expandedTo(least);
    auto *content = new QWidget;
    content->setLayout(win->layout()); // takes the layout and its widgets along
    auto *scroll = new QScrollArea;
    scroll->setObjectName(kScrollName);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto *outer = new QVBoxLayout(win);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    return size.boundedTo(room - QSize(kFrame / 2, kFrame));
}

QWidget *PanelSurface(QWidget *win) {
    if (auto *scroll = win->findChild<QScrollArea *>(kScrollName, Qt::FindDirectChildrenOnly))
        return scroll->widget();
    return win;
}
