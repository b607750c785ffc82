// Every new text of the status line reaches a screen reader as the event a
// label sends when its text changes (NameChanged), carrying the new text.
// Qt sends accessibility events only while an assistive-technology bridge is
// active, and the offscreen platform has none: this program runs on a virtual
// X display with the AT-SPI bus (a11ysession.sh).
#include "uitest.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

// How long Qt's bridge may take to find the AT-SPI bus and turn active.
constexpr int kBridgeWaitMs = 20000;

struct Announced {
    QObject *object;
    QAccessible::Event type;
    QString name; // what a screen reader asking back reads
};
std::vector<Announced> announced;

void RecordUpdate(QAccessibleEvent *event) {
    QAccessibleInterface *iface = event->accessibleInterface();
    announced.push_back(
        {event->object(), event->type(), iface ? iface->text(QAccessible::Name) : QString()});
}

} // namespace

TEST_F(PanelsTest, EveryNewStatusTextIsAnnounced) {
    QWidget *status = Widget(main, PANEL_TEXTStatus);
    ASSERT_NE(status, nullptr);
    SetCtrlVal(main, PANEL_TEXTStatus, "Transmit...");
    announced.clear();
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(RecordUpdate);
    SetCtrlVal(main, PANEL_TEXTStatus, "Timeout RS232-Line!");
    SetCtrlVal(main, PANEL_TEXTStatus, "Line Ok!");
    QAccessible::installUpdateHandler(before);

    std::vector<std::string> names;
    for (const Announced &a : announced)
        if (a.object == status && a.type == QAccessible::NameChanged)
            names.push_back(a.name.toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Timeout RS232-Line!", "Line Ok!"}));
}

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QElapsedTimer waited;
    waited.start();
    while (!QAccessible::isActive() && waited.elapsed() < kBridgeWaitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!QAccessible::isActive()) {
        std::fprintf(stderr,
                     "no accessibility bridge came up on platform %s; run this program "
                     "through tests/ui/a11ysession.sh\n",
                     qPrintable(QApplication::platformName()));
        return 1;
    }
    return RUN_ALL_TESTS();
}
