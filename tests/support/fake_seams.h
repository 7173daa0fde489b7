#pragma once
// Test doubles for the process-wide seams, and a guard that installs them for
// one test and puts the previous ones back.
#include <deque>
#include <string>
#include <vector>

#include "core/platform/seams.h"

namespace veltod::test {

class FixedScreen : public Screen {
public:
    FixedScreen(int width = 1024, int height = 768) : size_{0, 0, width, height}, desktop_{0, 0, width, height} {}
    ScreenRect Size() const override { return size_; }
    ScreenRect Desktop() const override { return desktop_; }
    void Set(int width, int height) {
        size_ = {0, 0, width, height};
        desktop_ = size_;
    }
    void SetDesktop(ScreenRect desktop) { desktop_ = desktop; }

private:
    ScreenRect size_;
    ScreenRect desktop_;
};

// Records every dialog and answers confirmations from a script (Yes when the
// script is empty).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind;  // "message", "notice", "confirm" or "error"
        std::string text;
        std::string title;  // a titled message's title
    };
    void Message(const std::string& text) override { shown.push_back({"message", text, ""}); }
    void TitledMessage(const std::string& title, const std::string& text) override {
        shown.push_back({"message", text, title});
    }
    void Notice(const std::string& title, const std::string& text) override {
        shown.push_back({"notice", text, title});
    }
    bool Confirm(const std::string& text) override {
        shown.push_back({"confirm", text, ""});
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ErrorBox(const std::string& text) override { shown.push_back({"error", text, ""}); }

    std::deque<bool> answers;
    std::vector<Shown> shown;
};

class RecordingShell : public ShellOpen {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

class FixedClock : public Clock {
public:
    std::time_t now = 0;
    long offset = 0;
    std::time_t Now() const override { return now; }
    long UtcOffsetSeconds(std::time_t) const override { return offset; }
};

class SeamsGuard {
public:
    SeamsGuard() : saved_(CurrentSeams()) {
        CurrentSeams() = Seams{&screen, &dialogs, &shell, &clock};
    }
    ~SeamsGuard() { CurrentSeams() = saved_; }
    SeamsGuard(const SeamsGuard&) = delete;
    SeamsGuard& operator=(const SeamsGuard&) = delete;

    FixedScreen screen;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FixedClock clock;

private:
    Seams saved_;
};

}  // namespace veltod::test
