// Real-number control. It keeps as many decimals as `decimals` says (a
// QDoubleSpinBox rounds every value to them, so the calibration slope needs
// 10 to hold every word / 1024 exactly) but shows trailing zeros only down to
// `shownDecimals`. Like NumericSpinBox it tells when the user stepped it.
#pragma once

#include <QDoubleSpinBox>

class RealSpinBox : public QDoubleSpinBox {
    Q_OBJECT
    Q_PROPERTY(int shownDecimals READ shownDecimals WRITE setShownDecimals)

  public:
    explicit RealSpinBox(QWidget *parent = nullptr);

    int shownDecimals() const { return shown; }
    void setShownDecimals(int decimals);

    void stepBy(int steps) override;
    QString textFromValue(double value) const override;

  signals:
    void stepped(); // the user stepped the value and it changed

  private:
    int shown = 1; // decimals always shown, trailing zeros beyond are cut
};
