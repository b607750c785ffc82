// The selector of the resource file: a combo box that says when its list is
// about to open (mouse or keyboard), before the list is shown, so that the
// list can be filled afresh.
#pragma once

#include <QComboBox>

class Selector : public QComboBox {
    Q_OBJECT

  public:
    explicit Selector(QWidget *parent = nullptr);
    void showPopup() override;

  signals:
    void aboutToOpen();
};
