// Entry of the window tests: one application object for all tests of a file,
// on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/VeltodApplication.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    veltod::VeltodApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
