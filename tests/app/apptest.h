// Shared by the application tests: the two panels, loaded once from the real
// resource file, and a known starting state for every test.
#pragma once

// Handles of the panels loaded by main(); negative when loading failed.
extern int testPanel;
extern int testPopup;

// Every variable back to its value at load, the panel handles set, and the
// geometry of a typical 1024-pixel sensor (8 sub-pixels per pixel).
void ResetAppState(void);

// Skips the calling test when the panels could not be loaded.
#define REQUIRE_PANELS()                                                                           \
    do {                                                                                           \
        if (testPanel <= 0 || testPopup <= 0) GTEST_SKIP() << "panels not loaded";                 \
    } while (0)
