// The recording and statistics group while a recording runs, on a screen of
// 1366x768 and of 1600x1000 (the window filling it): every control of the
// group and the recording state beside the status line shows its whole text
// and touches no other control. The pictures go to shots/.
#include "com232/portsetup.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "main/live.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "recording/recorder.h"
#include "gui/recordpanel.h"
#include "settle.h"
#include "simharness.h"
#include "uiharness.h"

#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

QRect InWindow(const QWidget *w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

TEST(RecordingShots, GroupFitsWhileRecording) {
    PortFolder folder;
    QObject context;
    FreshStart();
    StartRecordingPanel();
    sim::Config config = InstantConfig("t1");
    config.period = 1.0;
    SimulatedSensor sensor(config, 1, folder);
    ASSERT_TRUE(sensor.ok());
    InitRS232(1);
    // The longest name the dialog proposes, in a folder of this run's own (the
    // two screens run at once, and each removes its file).
    char folderName[] = "/tmp/vtlx-shots-XXXXXX";
    ASSERT_TRUE(mkdtemp(folderName));
    const std::string path = std::string(folderName) + "/VTLXrun-20261208-063429.csv";
    SetFileSelectAnswer(path.c_str());
    CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(RecordingActive());
    After(context, 0.5, [] { CC_BTNStop(pHandle, 5, EVENT_LEFT_CLICK, nullptr, 0, 0); });
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    // The ticker has shown the rows and the figures of the run.
    const std::string rows = "Recording " + path.substr(path.rfind('/') + 1) + ": ";
    EXPECT_TRUE(PumpUntil([&] {
        const std::string stat = ControlText(pHandle, PANEL_TEXTStatValue);
        return ControlText(pHandle, PANEL_TEXTRecording) ==
                   rows + std::to_string(RecordingRows()) + " rows" &&
               stat.rfind("n ", 0) == 0 && stat.find(" -") == std::string::npos;
    }));

    DisplayPanel(pHandle);
    QWidget *window = FindPanel(pHandle)->window();
    const QRect screen = window->screen()->availableGeometry();
    window->resize(screen.size());
    ASSERT_TRUE(Settle(window));
    EXPECT_LE(window->width(), screen.width());
    EXPECT_LE(window->height(), screen.height());

    const int mine[] = {PANEL_BTNRecord,      PANEL_TEXTRecording,     PANEL_TEXTStatValue,
                        PANEL_TEXTStatUm,     PANEL_TEXTStatTolerance, PANEL_BTNStatReset,
                        PANEL_GRAPHHistogram, PANEL_BTNOpenRecording};
    for (int c : mine) {
        QWidget *w = FindPanel(pHandle)->control(c);
        ASSERT_TRUE(w) << c;
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(window->rect().contains(InWindow(w)));
        EXPECT_GE(w->width(), w->sizeHint().width()) << "its text is cut";
        // A text message is read out by its text, named by its buddy label or
        // its description; a button by its accessible name.
        bool named = !w->accessibleName().isEmpty() || !w->accessibleDescription().isEmpty();
        for (QLabel *l : window->findChildren<QLabel *>())
            named = named || l->buddy() == w;
        EXPECT_TRUE(named) << "nothing names it for a screen reader";
        for (QWidget *other : window->findChildren<QWidget *>()) {
            const bool item =
                other->property("control").isValid() ||
                (qobject_cast<QLabel *>(other) && qobject_cast<QLabel *>(other)->buddy());
            if (other == w || !item || !other->isVisibleTo(window) || other->isAncestorOf(w) ||
                w->isAncestorOf(other))
                continue;
            EXPECT_FALSE(InWindow(w).intersects(InWindow(other)))
                << "overlaps " << other->objectName().toStdString();
        }
    }
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatValue).rfind("n ", 0), 0u);
    EXPECT_EQ(ControlText(pHandle, PANEL_TEXTStatValue).find(" -"), std::string::npos)
        << "figures after a run";

    const QImage image = window->grab().toImage();
    QDir().mkpath(QStringLiteral(VTLX_SHOT_DIR));
    const QString name =
        QStringLiteral("recording-%1x%2.png").arg(screen.width()).arg(screen.height());
    const QString file = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath(name);
    EXPECT_TRUE(image.save(file));
    std::printf("screenshot: %s\n", qPrintable(file));
    HidePanel(pHandle);
    StopRecording();
    std::remove(path.c_str());
    rmdir(folderName);
}

} // namespace
