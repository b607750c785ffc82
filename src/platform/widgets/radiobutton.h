// The radio button of the resource file: not auto-exclusive, because the
// program keeps its groups exclusive itself and clicking a set button must be
// able to clear it; announced to screen readers as a radio button all the
// same (Qt announces a checkable button that is not auto-exclusive as a check
// box), with its checked state and a press action.
#pragma once

#include <QRadioButton>

class RadioButton : public QRadioButton {
    Q_OBJECT

  public:
    explicit RadioButton(QWidget *parent = nullptr);
};
