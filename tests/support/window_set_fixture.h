#pragma once
// A scratch installation with the real skin, the seams at 1024x768, fresh
// process-wide state and the program's twelve windows, created as the
// program creates them. Nothing is shown until the test says so.
#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <string>
#include <vector>

#include "core/shell/startup_hooks.h"
#include "core/view/process_state.h"
#include "support/fake_seams.h"
#include "support/skin_files.h"
#include "support/temp_dir.h"
#include "ui/shell/FormNetFiles.h"
#include "ui/shell/ProgramWindows.h"

namespace veltod::test {

class WindowSetTest : public ::testing::Test {
protected:
    WindowSetTest() {
        CopySkin(installation);
        // As in a fresh installation, today's list exists, without entries:
        // the day news window reads it while it is being created.
        installation.Write("Resources/today.1cat", "14\r\n");
        State() = ProcessState{};
        TheStartupHooks() = StartupHooks{};
        TheStartupHooks().EngineUpdateSwap = [this] { startup_calls.push_back("EngineUpdateSwap"); };
        TheStartupHooks().ComputeCategoryMarks = [this] {
            startup_calls.push_back("ComputeCategoryMarks");
            State().CategoryMarksLoaded = "si";
        };
        // Keep the pointer away from the windows so no stray enter event
        // reaches a control.
        QCursor::setPos(2000, 2000);
    }
    ~WindowSetTest() override {
        windows.reset();
        TheStartupHooks() = StartupHooks{};
    }

    void Create() {
        windows = std::make_unique<TProgramWindows>();
        windows->CreateAll();
    }
    // Creates the windows and runs the main window's first activation.
    void Start() {
        Create();
        windows->FormNetFiles->ShowWindow();
        ASSERT_EQ(State().MainActivated, kDone) << LastError();
    }
    TFormNetFiles& Main() { return *windows->FormNetFiles; }
    std::string LastError() const { return seams.dialogs.shown.empty() ? "" : seams.dialogs.shown.back().text; }
    static std::string FileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

    SeamsGuard seams;
    ScratchInstallation installation;
    std::unique_ptr<TProgramWindows> windows;
    std::vector<std::string> startup_calls;
};

}  // namespace veltod::test
