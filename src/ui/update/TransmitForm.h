#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/net/http_client.h"
#include "core/update/connection_settings.h"
#include "ui/hypertext/HypertextViewer.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

// The update run and connection settings window: a strip under the main
// window holding the proxy settings, the run's status and progress lines,
// the vendor's links and, out of sight, the run's trace viewer.
class TTransmitForm : public TSkinWindow {
    Q_OBJECT
public:
    TTransmitForm();
    // The program ending while the window is open saves the settings too.
    ~TTransmitForm() override;

    // Starts the update run; the main window's update button calls it with
    // itself as sender.
    void Button1Click(QObject* sender);
    // Hides the hypertext viewer that shows the run's messages.
    void HideViewer();

    // "Close" (or "Cancel" during a run): hides the trace viewer and the
    // window, then calls CloseConnection when the run has set it.
    void Button2Click();
    // Enables the proxy fields and their labels when "Use Proxy" is ticked,
    // disables them when it is not; their texts stay.
    void CheckBox1Click();
    void Label5Click();
    void Label6Click();
    // Saves the settings (unless an update script rewrote the file in this
    // process); runs each time the window goes from shown to hidden.
    void FormHide();

    // What the controls hold now, as the settings file stores it.
    ConnectionSettings CurrentSettings() const;

    // Set by the update run: closes its HTTP connection when one is open.
    std::function<void()> CloseConnection;
    // Set by the main window: shows the day news after a run that applied days.
    std::function<void()> OnDaysArrived;

    QLineEdit* Edit1;      // status line of the update run
    QLineEdit* Edit6;      // progress line of a download
    QCheckBox* CheckBox1;  // "Use Proxy"
    QLabel* Label1;
    QLineEdit* Edit2;  // proxy server
    QLabel* Label2;
    QLineEdit* Edit3;  // proxy port
    QLabel* Label3;
    QLineEdit* Edit4;  // proxy user name
    QLabel* Label4;
    QLineEdit* Edit5;       // proxy password, never stored
    QPushButton* Button2;   // "Close" / "Cancel"
    QLabel* Label5;         // vendor's web address
    QLabel* Label6;         // vendor's mail address
    QLineEdit* Edit7;       // notification address, never visible
    QPushButton* Button1;   // never visible; its click is the update run
    THypertextViewer* Viewer;  // the run's trace, outside the client area

    // The update run's side (TransmitRun.cpp): HTTP is the window's client,
    // whose events reach the HTTP... handlers.
    void HTTPStatus(QObject* sender, HttpStatus status, const std::string& text);
    void HTTPWork(QObject* sender, WorkMode mode, uint64_t count);
    void HTTPWorkEnd(QObject* sender, WorkMode mode);
    void HTTPDisconnected(QObject* sender);
    HttpClient HTTP;

protected:
    // Places the window; loads the settings file when the window has been
    // hidden since the last load.
    void FormActivate() override;
    void hideEvent(QHideEvent* event) override;

private:
    void LoadSettings();
    void EnableProxyControls(bool enabled);

    // The controls hold the file's settings since the window was last shown;
    // a later activation (the user coming back from another window) keeps
    // what has been typed since.
    bool settings_loaded_ = false;

    // The update run's parts, made at the first run (TransmitRun.cpp); shared,
    // so the window's other files need not see the type.
    class RunParts;
    RunParts& Run();
    std::shared_ptr<RunParts> run_;
};

// The vendor's addresses shown by Label5 and Label6.
inline constexpr const char* kVendorWebAddress = "http://www.veltod.example/";
inline constexpr const char* kVendorMailAddress = "info@veltod.example";

}  // namespace veltod
