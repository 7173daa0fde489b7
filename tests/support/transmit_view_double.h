#pragma once
// A recording stand-in for the update window, and HTTP answers for the
// scripted loopback peers of the update tests.
#include <functional>
#include <string>
#include <vector>

#include "core/update/transmit_view.h"

namespace veltod::test {

class RecordingTransmitView : public TransmitView {
public:
    bool use_proxy = false;
    std::string server, port = "80", user, password;
    std::string notification = "Edit7";
    bool shown = true;
    bool busy = false;
    bool trace_hidden = false;
    bool button2_shown = false;
    std::string button2 = "Close";
    std::string status_line, progress_line;
    int left = 0;
    std::vector<std::string> trace, status_lines, focus;
    int end_requests = 0;
    int messages_processed = 0;
    // Runs at every ProcessMessages (the client's pump in the tests).
    std::function<void()> on_messages;

    bool UseProxy() const override { return use_proxy; }
    std::string ProxyServer() const override { return server; }
    std::string ProxyPort() const override { return port; }
    std::string ProxyUser() const override { return user; }
    std::string ProxyPassword() const override { return password; }
    void ClearProxyPassword() override { password.clear(); }
    void FocusProxyServer() override { focus.push_back("Edit2"); }
    void FocusProxyPassword() override { focus.push_back("Edit5"); }
    void SetStatusLine(const std::string& text) override {
        status_line = text;
        status_lines.push_back(text);
    }
    void SetProgressLine(const std::string& text) override { progress_line = text; }
    void Trace(const std::string& line) override {
        trace.push_back(line);
        if (on_trace) on_trace(line);
    }
    // Runs at every trace line, where the client reports its state.
    std::function<void(const std::string&)> on_trace;
    void HideTrace() override { trace_hidden = true; }
    void SetButton2Caption(const std::string& caption) override { button2 = caption; }
    void ShowButton2() override { button2_shown = true; }
    void SetBusyCursor(bool on) override { busy = on; }
    bool IsShown() const override { return shown; }
    void HideWindow() override { shown = false; }
    void ShowWindow() override { shown = true; }
    void ShowNewestDay() override { ++newest_day_shown; }
    int newest_day_shown = 0;
    void MoveLeft(int to) override { left = to; }
    std::string NotificationAddress() const override { return notification; }
    void ProcessMessages() override {
        ++messages_processed;
        if (on_messages) on_messages();
    }
    void RequestEnd() override { ++end_requests; }

    // The trace lines that begin with the prefix.
    std::vector<std::string> TraceLinesStarting(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const auto& line : trace)
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }
};

// A complete answer with a body; closes the connection when asked.
inline std::string HttpAnswer(const std::string& body, const std::string& extra_headers = "", bool close = true,
                              const std::string& status = "200 OK") {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           (close ? "Connection: close\r\n" : "") + extra_headers + "\r\n" + body;
}

// A HEAD answer carrying a date.
inline std::string DatedAnswer(const std::string& date, bool close = true) {
    return "HTTP/1.1 200 OK\r\nDate: " + date + "\r\nContent-Length: 0\r\n" + (close ? "Connection: close\r\n" : "") +
           "\r\n";
}

}  // namespace veltod::test
