// Button texts on QAbstractButton.
#include "platform/widgets/buttontext.h"

#include <QAbstractButton>

#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/winansi.h"

int SetButtonText(int panel, int control, const char *text) {
    Panel *p = FindPanel(panel);
    auto *button = p ? qobject_cast<QAbstractButton *>(p->control(control)) : nullptr;
    if (!button || !text) return -1;
    const QString t = FromWinAnsi(text);
    button->setText(t);
    QString name = t;
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QChar(0x2026))) name.chop(1);
    if (name.endsWith(QLatin1String("..."))) name.chop(3);
    button->setAccessibleName(name);
    return 0;
}
