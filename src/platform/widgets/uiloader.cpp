#include "platform/widgets/uiloader.h"

#include "platform/widgets/graphplot.h"
#include "platform/widgets/histogramplot.h"
#include "platform/widgets/numericspinbox.h"
#include "platform/widgets/realspinbox.h"
#include "platform/widgets/radiobutton.h"
#include "platform/widgets/selector.h"
#include "platform/widgets/stripchart.h"
#include "platform/widgets/switchbutton.h"

namespace {

// The program's own widget classes, made by createWidget below.
const char *const kOwnWidgets[] = {"GraphPlot", "HistogramPlot", "StripChart", "SwitchButton"};

} // namespace

UiLoader::UiLoader(QObject *parent) : QUiLoader(parent) {
    for (const QString &c : availableWidgets())
        widgetClasses.insert(c);
    for (const char *c : kOwnWidgets)
        widgetClasses.insert(QLatin1String(c));
    for (const QString &c : availableLayouts())
        layoutClasses.insert(c);
}

bool UiLoader::buildsWidget(const QString &className) const {
    return widgetClasses.contains(className);
}

bool UiLoader::buildsLayout(const QString &className) const {
    return layoutClasses.contains(className);
}

QWidget *UiLoader::createWidget(const QString &className, QWidget *parent, const QString &name) {
    QWidget *w = nullptr;
    if (className == QLatin1String("GraphPlot"))
        w = new GraphPlot(parent);
    else if (className == QLatin1String("HistogramPlot"))
        w = new HistogramPlot(parent);
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
    else if (className == QLatin1String("QRadioButton"))
        w = new RadioButton(parent);
    else
        return QUiLoader::createWidget(className, parent, name);
    w->setObjectName(name);
    return w;
}
