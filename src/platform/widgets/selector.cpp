#include "platform/widgets/selector.h"

#include <QPointer>

Selector::Selector(QWidget *parent) : QComboBox(parent) {}

void Selector::showPopup() {
    QPointer<Selector> self(this);
    emit aboutToOpen();
    if (self) QComboBox::showPopup(); // the slot may have discarded the panel
}
