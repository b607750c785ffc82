#include "platform/widgets/numericspinbox.h"

NumericSpinBox::NumericSpinBox(QWidget *parent) : QSpinBox(parent) {}

void NumericSpinBox::stepBy(int steps) {
    const int before = value();
    QSpinBox::stepBy(steps);
    if (value() != before) emit stepped();
}
