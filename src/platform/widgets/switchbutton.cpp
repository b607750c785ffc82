#include "platform/widgets/switchbutton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

// Track size in multiples of the font height, so the switch scales with the
// font on high-DPI screens.
constexpr double kTrackWidth = 2.0;
constexpr double kTrackHeight = 1.0;
constexpr int kGap = 6; // between track and text, pixels

} // namespace

SwitchButton::SwitchButton(QWidget *parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SwitchButton::setOnText(const QString &text) {
    textOn = text;
    updateGeometry();
    update();
}

void SwitchButton::setOffText(const QString &text) {
    textOff = text;
    updateGeometry();
    update();
}

QSize SwitchButton::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    const int h = fm.height();
    const int text = qMax(fm.horizontalAdvance(textOn), fm.horizontalAdvance(textOff));
    return QSize(int(kTrackWidth * h) + kGap + text + 4, h + 6);
}

void SwitchButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int h = fontMetrics().height();
    const QRectF track(2, (height() - kTrackHeight * h) / 2.0, kTrackWidth * h, kTrackHeight * h);
    const bool on = isChecked();
    const QPalette &pal = palette();
    QColor fill = on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
    if (!isEnabled()) fill = pal.color(QPalette::Disabled, QPalette::Mid);
    p.setPen(QPen(pal.color(QPalette::Shadow), 1));
    p.setBrush(fill);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const double d = track.height() - 4;
    const double x = on ? track.right() - d - 2 : track.left() + 2;
    p.setBrush(pal.color(QPalette::Button));
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));

    p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect textRect(int(track.right()) + kGap, 0, width() - int(track.right()) - kGap,
                         height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, on ? textOn : textOff);

    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect().adjusted(0, 0, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}
