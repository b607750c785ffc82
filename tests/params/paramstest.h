// Shared by the parameter-exchange suites: a fresh program state per test, a
// private folder for parameter files, and the sixteen words as the window
// shows them.
#pragma once

#include "settings/riror14.h"
#include "simharness.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using Words = std::array<unsigned, 16>;

class ParamsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A path in this test's own folder.
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }
    std::string Status() const;

    PortFolder ports;

  private:
    std::string dir_;
};

// A parameter set that passes the range checks of a 1024-pixel sensor (CCD
// type 1, 8192 sub-pixels) unchanged, and a second one that differs from it
// in every word.
Words SetA();
Words SetB();

// Shows the words in the window (as a fetch does) and then puts other words
// into the settings variables: the window then holds unsent edits.
void ShowInWindow(const Words &shown, const Words &variables);
// The settings variables as the sixteen words of pp.
Words Variables();
// The window's settings as the sixteen words a send would carry.
Words WindowWords();

// The sensor's RAM and EEPROM as they are now.
Words SensorRam(SimulatedSensor &sensor);
Words SensorEeprom(SimulatedSensor &sensor);

// The codes the sensor received, waiting up to a second for count of them.
std::vector<int> FramesAfterWait(const SimulatedSensor &sensor, std::size_t count);

// Opens COM1 to the sensor through the start-up chain (its four frames), then
// writes A into its EEPROM (code 3) and B into its RAM (code 1), so the two
// differ in every word.
void StartWithEepromARamB(const SimulatedSensor &sensor);

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &content);

// The top-level window that holds a child of that object name.
QWidget *WindowHolding(const char *childName);

// A control of the program's windows by object name (null when absent).
template <class T> T *Widget(const char *name) {
    QWidget *window = WindowHolding(name);
    return window ? window->findChild<T *>(QString::fromLatin1(name)) : nullptr;
}
