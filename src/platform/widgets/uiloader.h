// Builds the widgets of the resource file. QUiLoader knows only Qt's own
// widget classes: a class it does not know is dropped without a word, and
// everything inside it with it. So the graph, strip-chart and switch classes
// are made here, the numeric boxes become the variants that report steps and
// the combo boxes the variant that reports its list opening.
#pragma once

#include <QSet>
#include <QString>
#include <QUiLoader>

class UiLoader : public QUiLoader {
    Q_OBJECT

  public:
    explicit UiLoader(QObject *parent = nullptr);
    QWidget *createWidget(const QString &className, QWidget *parent = nullptr,
                          const QString &name = QString()) override;

    // Whether load() can build a widget, or a layout, of this class. Qt's form
    // loader must never see one it cannot: a layout it fails to make is used
    // all the same (a null pointer).
    bool buildsWidget(const QString &className) const;
    bool buildsLayout(const QString &className) const;

  private:
    QSet<QString> widgetClasses;
    QSet<QString> layoutClasses;
};
