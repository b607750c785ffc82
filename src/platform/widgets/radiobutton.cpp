// The resource file's radio button and what screen readers learn of it.
#include "platform/widgets/radiobutton.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class RadioAccessible : public QAccessibleWidget {
  public:
    explicit RadioAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::RadioButton) {}
    RadioButton *radio() const { return static_cast<RadioButton *>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && radio()->accessibleName().isEmpty())
            return radio()->text().remove(QLatin1Char('&'));
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = radio()->isChecked();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override {
        if (name == pressAction() && radio()->isEnabled())
            radio()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

// Asked by class name, most derived first: Qt's own factory does not know
// this class, so this one answers for it.
QAccessibleInterface *Factory(const QString &className, QObject *object) {
    if (className == QLatin1String("RadioButton") && object && object->isWidgetType())
        return new RadioAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

RadioButton::RadioButton(QWidget *parent) : QRadioButton(parent) {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
    setAutoExclusive(false);
    // The checked state reaches a screen reader as it changes.
    connect(this, &QAbstractButton::toggled, this, [this](bool) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    });
}
