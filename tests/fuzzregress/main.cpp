#include "checks.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!StartUserInterface()) {
        std::fprintf(stderr, "the user interface cannot start\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
