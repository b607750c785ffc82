#include "platform/widgets/realspinbox.h"

#include <QLocale>

RealSpinBox::RealSpinBox(QWidget *parent) : QDoubleSpinBox(parent) {}

void RealSpinBox::setShownDecimals(int decimals) {
    shown = qMax(0, decimals);
    // Re-render the current value with the new rule.
    setValue(value());
}

void RealSpinBox::stepBy(int steps) {
    const double before = value();
    QDoubleSpinBox::stepBy(steps);
    if (value() != before) emit stepped();
}

QString RealSpinBox::textFromValue(double value) const {
    const QLocale loc = locale();
    QString text = loc.toString(value, 'f', decimals());
    if (!isGroupSeparatorShown()) text.remove(loc.groupSeparator());
    const QString point = loc.decimalPoint();
    const qsizetype dot = text.indexOf(point);
    if (dot < 0) return text;
    const qsizetype keep = dot + (shown > 0 ? point.size() + shown : 0);
    qsizetype end = text.size();
    while (end > keep && text.at(end - 1) == loc.zeroDigit().at(0))
        --end;
    if (end == dot + point.size()) end = dot; // no decimals left: drop the point
    return text.left(end);
}
