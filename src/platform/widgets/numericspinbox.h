// Integer numeric control. Beside the value changes it tells when the user
// stepped the value (arrow buttons, arrow and page keys, mouse wheel): a step
// is a finished entry, while typed digits are finished by Enter or by leaving
// the field.
#pragma once

#include <QSpinBox>

class NumericSpinBox : public QSpinBox {
    Q_OBJECT

  public:
    explicit NumericSpinBox(QWidget *parent = nullptr);
    void stepBy(int steps) override;

  signals:
    void stepped(); // the user stepped the value and it changed
};
