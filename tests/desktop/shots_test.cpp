// The main, calibration and compare windows on a 1366x768 screen, at the
// scale the test runs with (QT_SCALE_FACTOR 1 and 2, see CMakeLists.txt),
// filled as at start-up: the window fits the screen, every control gets at
// least the room it asks for, nothing overlaps, texts stay a readable size,
// the header's texts and logo lie inside the band without touching each
// other, and the logo bitmap is drawn for the scale rather than stretched.
// The pictures go to shots/.
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "paramsets/comparepanel.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/userint.h"
#include "settle.h"
#include "uiharness.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kSmallestText = 9; // px at scale 1: smaller is not read comfortably

QString Name(const QWidget *w) {
    const QVariant number = w->property("control");
    return w->objectName() +
           (number.isValid() ? QStringLiteral(" (%1)").arg(number.toInt()) : QString()) +
           QStringLiteral(" \"%1\"").arg(qobject_cast<const QLabel *>(w)
                                             ? static_cast<const QLabel *>(w)->text()
                                             : QString());
}

// What the window's contents lie on: the window, or the area that scrolls
// them on a screen too small for it.
QWidget *Surface(QWidget *window) {
    auto *scroll = window->findChild<QScrollArea *>(QStringLiteral("panelScroll"));
    return scroll ? scroll->widget() : window;
}

// What the user sees as one thing: the numbered controls, their labels, and
// the text messages the program adds over the header.
std::vector<QWidget *> Items(QWidget *window) {
    std::vector<QWidget *> items;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window)) continue;
        auto *label = qobject_cast<QLabel *>(w);
        if (w->property("control").isValid() || (label && label->buddy()) ||
            (label && w->parentWidget() == Surface(window)))
            items.push_back(w);
    }
    return items;
}

QRect InWindow(const QWidget *w, const QWidget *window) {
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

// The header: the added text messages and the logo picture, over the band.
bool InHeader(const QWidget *w, QWidget *window) {
    return (qobject_cast<const QLabel *>(w) && w->parentWidget() == Surface(window)) ||
           w->property("control").toInt() == PANEL_PICTLogo;
}

void CheckWindow(QWidget *window, bool main, size_t leastItems = 15) {
    SCOPED_TRACE(window->windowTitle().toStdString());
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), screen.width());
    EXPECT_LE(window->height(), screen.height());
    // Room for a title bar and a task bar of 32 px each on a 768 px screen.
    EXPECT_LE(window->minimumSizeHint().height(), screen.height() - 64);
    // On a screen too small for it the window's contents scroll: they are
    // laid out whole inside the scrolled area (on a 1600x1000 screen at scale
    // 2 the rows of Parameters once overlapped, their labels cut).
    QWidget *area = Surface(window);

    const std::vector<QWidget *> items = Items(window);
    ASSERT_GT(items.size(), main ? 60u : leastItems);
    QWidget *band = nullptr;
    for (QWidget *w : items)
        if (main && w->property("control").toInt() == PANEL_DECOLogo) band = w;
    ASSERT_TRUE(!main || band);

    for (QWidget *w : items) {
        const QRect r = InWindow(w, area);
        EXPECT_TRUE(area->rect().contains(r)) << Name(w).toStdString() << " is cut off";
        // A text box scrolls; its minimum size is a default, not its content's.
        const QSize wants = w->minimumSizeHint().expandedTo(
            qobject_cast<QLabel *>(w) ? w->sizeHint() : QSize(0, 0));
        if (wants.isValid() && !qobject_cast<QAbstractScrollArea *>(w)) {
            EXPECT_TRUE(w->width() >= wants.width() && w->height() >= wants.height())
                << Name(w).toStdString() << " has " << w->width() << "x" << w->height()
                << ", wants " << wants.width() << "x" << wants.height();
        }
        const bool text = qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) ||
                          qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w);
        if (text) {
            EXPECT_GE(QFontInfo(w->font()).pixelSize(), kSmallestText) << Name(w).toStdString();
        }
        if (main && InHeader(w, window)) {
            EXPECT_TRUE(InWindow(band, area).contains(r))
                << Name(w).toStdString() << " leaves the header band";
        }
    }
    for (size_t i = 0; i < items.size(); i++) {
        for (size_t j = i + 1; j < items.size(); j++) {
            QWidget *a = items[i], *b = items[j];
            if (a == band || b == band || a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
            EXPECT_FALSE(InWindow(a, area).intersects(InWindow(b, area)))
                << Name(a).toStdString() << " overlaps " << Name(b).toStdString();
        }
    }
}

QImage Shoot(QWidget *window, const QString &name) {
    EXPECT_TRUE(Settle(window));
    const QImage image = window->grab().toImage();
    const QString path = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath(name);
    QDir().mkpath(QStringLiteral(VTLX_SHOT_DIR));
    EXPECT_TRUE(image.save(path));
    std::printf("screenshot: %s\n", qPrintable(path));
    return image;
}

TEST(Screens, BothWindowsFitAndStayLegible) {
    const qreal scale = qApp->devicePixelRatio();
    const bool small = qApp->primaryScreen()->availableGeometry().width() * scale == 1600;
    const QString suffix =
        QStringLiteral("-scale%1%2.png").arg(qRound(scale)).arg(small ? "-1600x1000" : "");
    FillPortSelector(); // the header and panel values are those of the start-up

    SetCtrlVal(pHandle, PANEL_TEXTStatus, "VORTELIX CCD-line sensor V2.14 (simulated)");
    DisplayPanel(pHandle);
    QWidget *window = FindPanel(pHandle)->window();
    ASSERT_TRUE(Settle(window));
    CheckWindow(window, true);

    auto *logo = qobject_cast<QLabel *>(FindPanel(pHandle)->control(PANEL_PICTLogo));
    ASSERT_NE(logo, nullptr);
    const QPixmap bitmap = logo->pixmap();
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_GE(bitmap.devicePixelRatio(), scale) << "drawn for the scale, not stretched";
    EXPECT_EQ(bitmap.deviceIndependentSize().toSize(), logo->size());

    const QImage shot = Shoot(window, "main-window" + suffix);
    EXPECT_EQ(shot.size(), window->size() * scale);
    int band = 0;
    for (int y = 0; y < shot.height() / 8; y++)
        for (int x = 0; x < shot.width(); x++)
            band += (shot.pixel(x, y) & 0xFFFFFF) == 0x0080FF;
    EXPECT_GT(band, 20000 * scale * scale) << "the header band";
    HidePanel(pHandle);

    DisplayPanel(pPopup);
    QWidget *popup = FindPanel(pPopup)->window();
    ASSERT_TRUE(Settle(popup));
    CheckWindow(popup, false);
    Shoot(popup, "calibration-window" + suffix);
    HidePanel(pPopup);

    // The compare window, opened as its button does, before any fetch.
    CC_BTNCompare(pHandle, PANEL_BTNCompare, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GT(pCompare, 0);
    QWidget *compare = FindPanel(pCompare)->window();
    ASSERT_TRUE(Settle(compare));
    CheckWindow(compare, false, 13);
    Shoot(compare, "compare-window" + suffix);
    HidePanel(pCompare);
}

} // namespace
