#include "platform/uiloader.h"

#include "platform/graphplot.h"
#include "platform/numericspinbox.h"
#include "platform/realspinbox.h"
#include "platform/selector.h"
#include "platform/stripchart.h"
#include "platform/switchbutton.h"

UiLoader::UiLoader(QObject *parent) : QUiLoader(parent) {}

QWidget *UiLoader::createWidget(const QString &className, QWidget *parent, const QString &name) {
    QWidget *w = nullptr;
    if (className == QLatin1String("GraphPlot"))
        w = new GraphPlot(parent);
    else if (className == QLatin1String("StripChart"))
        w = new StripChart(parent);
    else if (className == QLatin1String("SwitchButton"))
        w = new SwitchButton(parent);
    else if (className == QLatin1String("QSpinBox"))
        w = new NumericSpinBox(parent);
    else if (className == QLatin1String("QDoubleSpinBox"))
        w = new RealSpinBox(parent);
    else if (className == QLatin1String("QComboBox"))
        w = new Selector(parent);
    else
        return QUiLoader::createWidget(className, parent, name);
    w->setObjectName(name);
    return w;
}
