// On/off switch: a sliding knob with the text of the current state beside it.
// The two state texts are the program's to set (the operating-mode switch is
// labelled by the sensor type).
#pragma once

#include <QAbstractButton>

class SwitchButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString onText READ onText WRITE setOnText)
    Q_PROPERTY(QString offText READ offText WRITE setOffText)

  public:
    explicit SwitchButton(QWidget *parent = nullptr);

    QString onText() const { return textOn; }
    QString offText() const { return textOff; }
    void setOnText(const QString &text);
    void setOffText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QString textOn = QStringLiteral("ON");
    QString textOff = QStringLiteral("OFF");
};
