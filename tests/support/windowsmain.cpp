// main() of the end-to-end suites: the program's windows are loaded once,
// as the program loads them, before any test runs.
#include "uiharness.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!StartProgramWindows()) {
        std::fprintf(stderr, "the program's panels cannot be loaded\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
