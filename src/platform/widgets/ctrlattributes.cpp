// Control attributes and numeric ranges of userint.h.
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/stripchart.h"
#include "platform/widgets/switchbutton.h"
#include "platform/widgets/userint.h"
#include "platform/winansi.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cstring>
#include <limits>

namespace {

// Colour attributes live in the palette, so they survive style changes.
void SetPaletteColor(QWidget *w, QPalette::ColorRole role, int color) {
    QPalette pal = w->palette();
    pal.setColor(role, Rgb(color));
    w->setPalette(pal);
}

} // namespace

// ---- attributes ----

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w)) return -1;
    QLabel *label = p->label(control);
    switch (attribute) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        if (label) label->setEnabled(value == 0);
        return 0;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        if (label) label->setVisible(value != 0);
        return 0;
    case ATTR_LEFT:
    case ATTR_TOP: {
        // Positions count in pixels of the panel, whatever holds the control.
        const QPoint now = w->mapTo(p->window(), QPoint(0, 0));
        const QPoint want =
            attribute == ATTR_LEFT ? QPoint(value, now.y()) : QPoint(now.x(), value);
        QWidget *parent = w->parentWidget();
        w->move(parent == p->window() ? want : parent->mapFrom(p->window(), want));
        return 0;
    }
    case ATTR_FRAME_COLOR:
        w->setProperty("frameColor", value & 0xFFFFFF);
        w->setStyleSheet(QStringLiteral("background-color: #%1;")
                             .arg(value & 0xFFFFFF, 6, 16, QLatin1Char('0')));
        return 0;
    case ATTR_TEXT_COLOR:
        SetPaletteColor(w, QPalette::WindowText, value);
        SetPaletteColor(w, QPalette::Text, value);
        SetPaletteColor(w, QPalette::ButtonText, value);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        w->setAutoFillBackground(true);
        SetPaletteColor(w, QPalette::Window, value);
        SetPaletteColor(w, QPalette::Base, value);
        return 0;
    case ATTR_TEXT_POINT_SIZE: {
        if (value < 1 || value > 400) return -1;
        // Sized in pixels like the positions of the same texts, so a header
        // laid out in pixels keeps its proportions on any screen.
        QFont f = w->font();
        f.setPixelSize(value);
        w->setFont(f);
        FitIfFree(w);
        return 0;
    }
    case ATTR_SCROLL_MODE:
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN: {
        auto *chart = qobject_cast<StripChart *>(w);
        if (!chart) return -1;
        if (attribute == ATTR_SCROLL_MODE)
            chart->setScrollMode(value);
        else if (attribute == ATTR_NUM_TRACES)
            return chart->setTraceCount(value) ? 0 : -1;
        else
            return chart->setPointsPerScreen(value) ? 0 : -1;
        return 0;
    }
    default: return -1;
    }
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    const QString text = FromWinAnsi(value);
    switch (attribute) {
    case ATTR_TEXT_FONT: {
        // A family this system lacks (the program names the run-time's own
        // dialog font) keeps the application's font.
        QFont f = w->font();
        f.setFamily(QFontDatabase::hasFamily(text) ? text : QApplication::font().family());
        w->setFont(f);
        FitIfFree(w);
        return 0;
    }
    case ATTR_ON_TEXT:
    case ATTR_OFF_TEXT: {
        auto *sw = qobject_cast<SwitchButton *>(w);
        if (!sw) return -1;
        if (attribute == ATTR_ON_TEXT)
            sw->setOnText(text);
        else
            sw->setOffText(text);
        return 0;
    }
    default: return -1;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    switch (attribute) {
    case ATTR_DIMMED: *value = w->isEnabled() ? 0 : 1; return 0;
    case ATTR_VISIBLE: *value = w->isHidden() ? 0 : 1; return 0;
    case ATTR_LEFT: *value = w->mapTo(p->window(), QPoint(0, 0)).x(); return 0;
    case ATTR_TOP: *value = w->mapTo(p->window(), QPoint(0, 0)).y(); return 0;
    case ATTR_WIDTH: *value = w->width(); return 0;
    case ATTR_HEIGHT: *value = w->height(); return 0;
    case ATTR_FRAME_COLOR:
        if (!w->property("frameColor").isValid()) return -1;
        *value = w->property("frameColor").toInt();
        return 0;
    case ATTR_TEXT_COLOR: *value = RgbOf(w->palette().color(QPalette::WindowText)); return 0;
    case ATTR_TEXT_BGCOLOR: *value = RgbOf(w->palette().color(QPalette::Window)); return 0;
    case ATTR_TEXT_POINT_SIZE: *value = w->font().pixelSize(); return 0;
    case ATTR_SCROLL_MODE:
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN: {
        auto *chart = qobject_cast<StripChart *>(w);
        if (!chart) return -1;
        *value = attribute == ATTR_SCROLL_MODE  ? chart->scrollMode()
                 : attribute == ATTR_NUM_TRACES ? chart->traceCount()
                                                : chart->pointsPerScreen();
        return 0;
    }
    default: return -1;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, char *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    QString text;
    if (attribute == ATTR_TEXT_FONT) {
        text = w->font().family();
    } else if (attribute == ATTR_ON_TEXT || attribute == ATTR_OFF_TEXT) {
        auto *sw = qobject_cast<SwitchButton *>(w);
        if (!sw) return -1;
        text = attribute == ATTR_ON_TEXT ? sw->onText() : sw->offText();
    } else {
        return -1;
    }
    const QByteArray bytes = ToWinAnsi(text).left(kTextBytes - 1);
    std::memcpy(value, bytes.constData(), size_t(bytes.size()));
    value[bytes.size()] = '\0';
    return 0;
}

int SetCtrlRange(int panel, int control, double min, double max) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !(min <= max)) return -1;
    const QSignalBlocker block(w);
    if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setRange(int(TruncateInto(min, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max())),
                    int(TruncateInto(max, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max())));
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        d->setRange(min, max);
    } else {
        return -1;
    }
    p->valueSetByProgram(control);
    return 0;
}
