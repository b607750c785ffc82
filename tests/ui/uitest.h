// Shared by the widget tests: both panels of the resource file, loaded fresh
// for every test, and a record of the events that reached the callbacks.
#pragma once

#include "platform/widgets/userint.h"
#include "window/controls.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

struct Event {
    int panel, control, event;
    bool operator==(const Event &) const = default;
};

// Every callback name of the resource file, registered to one recorder.
void RegisterRecorders();
std::vector<Event> &Recorded();
// The controls' events only, as codes, for one control.
std::vector<int> CodesOf(int control);

// The widget behind a control of a loaded panel.
QWidget *Widget(int panel, int control);

class PanelsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    int main = -1;  // handle of PANEL
    int popup = -1; // handle of POPUP
};
