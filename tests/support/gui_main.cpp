// Entry of the window tests: one application object for all tests of a file,
// on the offscreen platform unless the caller chose another. The offscreen
// screen is made 1024x768, the size the test seams report, so windows placed
// from the layout table are on the screen and under the test's mouse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ui/shell/VeltodApplication.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::string config;
    if (!platform || std::string(platform) == "offscreen") {
        config = "/tmp/veltod-offscreen-" + std::to_string(::getpid()) + ".json";
        std::ofstream(config) << R"({"screens":[{"name":"S1","x":0,"y":0,"width":1024,"height":768,)"
                                 R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
    }
    veltod::VeltodApplication app(argc, argv);
    if (!config.empty()) std::remove(config.c_str());
    return RUN_ALL_TESTS();
}
