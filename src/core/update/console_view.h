#pragma once
// The update run without a window, as the update command runs it: the proxy
// comes from the settings file, and what the window would show goes to a
// terminal as lines and a progress bar for each download, or nowhere when the
// output is not a terminal. A cancel (a signal, asked through cancel_asked)
// stops the run as the Cancel button does; no fresh copy of the program is
// started for it, since there is no window to come back to.
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "core/net/http_client.h"
#include "core/platform/seams.h"
#include "core/update/connection_settings.h"
#include "core/update/transmit_view.h"

namespace veltod {

// Writes lines to a terminal, or nothing when out is null. A progress bar
// stays on its own line until the next line replaces it.
class ConsoleLines {
public:
    explicit ConsoleLines(std::FILE* out) : out_(out) {}
    void Line(const std::string& text);
    // A bar for done of total bytes (total 0: unknown), rewritten in place.
    void Bar(uint64_t done, uint64_t total);
    void EndBar();
    bool Writes() const { return out_ != nullptr; }

private:
    std::FILE* out_;
    bool bar_open_ = false;
};

// The dialogs of a run without windows: their texts become lines; nothing
// waits for an answer, and a question is answered No.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(ConsoleLines& lines) : lines_(lines) {}
    void Message(const std::string& text) override;
    void TitledMessage(const std::string& title, const std::string& text) override;
    void Notice(const std::string& title, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ErrorBox(const std::string& text) override;

    // The text of the last dialog, so the command does not print it twice.
    const std::string& LastShown() const { return last_; }

private:
    ConsoleLines& lines_;
    std::string last_;
};

class ConsoleTransmitView : public TransmitView, public HttpEvents {
public:
    ConsoleTransmitView(HttpClient& client, ConsoleLines& lines, std::function<bool()> cancel_asked);

    bool UseProxy() const override;
    std::string ProxyServer() const override { return settings_.server; }
    std::string ProxyPort() const override { return settings_.port; }
    std::string ProxyUser() const override { return settings_.user; }
    // Never stored: a proxy that needs one cannot be used without the window.
    std::string ProxyPassword() const override { return {}; }
    void ClearProxyPassword() override {}
    void FocusProxyServer() override {}
    void FocusProxyPassword() override {}

    void SetStatusLine(const std::string& text) override;
    void SetProgressLine(const std::string& text) override;
    // Of the trace, the address each attempt fetches.
    void Trace(const std::string& line) override;
    void HideTrace() override {}
    void SetButton2Caption(const std::string&) override {}
    void ShowButton2() override {}
    void SetBusyCursor(bool) override {}
    // Always "shown": a closed connection is then only traced and never
    // taken for the cancel that restarts the program.
    bool IsShown() const override { return true; }
    void HideWindow() override {}
    void ShowWindow() override {}
    void ShowNewestDay() override {}
    void MoveLeft(int) override {}
    std::string NotificationAddress() const override { return settings_.notification; }
    // Where a cancel asked for meanwhile takes effect.
    void ProcessMessages() override;
    // A new program delivered by a package waits for the next start; the
    // run ends by itself.
    void RequestEnd() override {}
    bool StartsNewProgram() const override { return false; }

    void OnWork(WorkMode mode, uint64_t count) override;
    void OnWorkEnd(WorkMode mode) override;
    void OnDisconnected() override;

private:
    HttpClient& client_;
    ConsoleLines& lines_;
    std::function<bool()> cancel_asked_;
    ConnectionSettings settings_;
};

}  // namespace veltod
