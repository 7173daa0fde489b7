#pragma once
// What the update run and the file fetch need from the update window: its
// proxy fields, status and progress lines, trace viewer, Cancel button,
// cursor and visibility. The window implements it; tests use a recording
// double. Texts are bytes in the program's code page.
#include <string>

#include "core/apply/received_files.h"

namespace veltod {

class TransmitView : public ApplyOwner {
public:
    // "Use Proxy" and the four proxy fields.
    virtual bool UseProxy() const = 0;
    virtual std::string ProxyServer() const = 0;
    virtual std::string ProxyPort() const = 0;
    virtual std::string ProxyUser() const = 0;
    virtual std::string ProxyPassword() const = 0;
    virtual void ClearProxyPassword() = 0;
    virtual void FocusProxyServer() = 0;
    virtual void FocusProxyPassword() = 0;

    virtual void SetStatusLine(const std::string& text) = 0;
    virtual void SetProgressLine(const std::string& text) = 0;
    // Adds a line to the hidden trace viewer and scrolls it to the end.
    virtual void Trace(const std::string& line) = 0;
    virtual void HideTrace() = 0;

    virtual void SetButton2Caption(const std::string& caption) = 0;
    virtual void ShowButton2() = 0;
    // The hourglass while busy, the normal cursor otherwise.
    virtual void SetBusyCursor(bool busy) = 0;

    virtual bool IsShown() const = 0;
    virtual void HideWindow() = 0;
    virtual void ShowWindow() = 0;
    // After a run that applied days: the day news on the newest day.
    virtual void ShowNewestDay() = 0;
    virtual void MoveLeft(int left) = 0;

    // The hidden field holding the notification address.
    virtual std::string NotificationAddress() const = 0;

    // Lets pending window events run (repaints, Cancel) during a pause.
    virtual void ProcessMessages() = 0;

    // Cancel pressed during this run (events run first, so a press is seen).
    bool StopRequested() override;
};

}  // namespace veltod
