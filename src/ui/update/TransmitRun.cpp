// The update run's side of the update window: its handlers hand the work to
// the core (update_run, file_fetch) with the window as the TransmitView.
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>

#include "core/update/update_run.h"
#include "ui/hypertext/HypertextViewer.h"
#include "ui/platform/AnsiText.h"
#include "ui/update/ApplicationEnd.h"
#include "ui/update/TransmitForm.h"

namespace veltod {

class TTransmitForm::RunParts : public TransmitView, public HttpEvents {
public:
    explicit RunParts(TTransmitForm& form) : form_(form), core_events_(*this, form.HTTP) {}
    ~RunParts() override { SetBusyCursor(false); }

    TransmitHttpEvents& CoreEvents() { return core_events_; }

    bool UseProxy() const override { return form_.CheckBox1->isChecked(); }
    std::string ProxyServer() const override { return ToAnsi(form_.Edit2->text()); }
    std::string ProxyPort() const override { return ToAnsi(form_.Edit3->text()); }
    std::string ProxyUser() const override { return ToAnsi(form_.Edit4->text()); }
    std::string ProxyPassword() const override { return ToAnsi(form_.Edit5->text()); }
    void ClearProxyPassword() override { form_.Edit5->clear(); }
    void FocusProxyServer() override { form_.Edit2->setFocus(); }
    void FocusProxyPassword() override { form_.Edit5->setFocus(); }

    void SetStatusLine(const std::string& text) override { form_.Edit1->setText(FromAnsi(text)); }
    void SetProgressLine(const std::string& text) override { form_.Edit6->setText(FromAnsi(text)); }
    void Trace(const std::string& line) override {
        THypertextViewer* viewer = form_.Viewer;
        if (!viewer) return;
        // Nobody reads the trace; keeping only its end bounds what a long
        // download costs to format.
        if (viewer->ItemCount() >= kTraceLines) viewer->DeleteItems(0, viewer->ItemCount() - kTraceLines + 1);
        viewer->AddText(line, 0);
        viewer->Format();
        viewer->ScrollTo(30000);
    }
    void HideTrace() override { form_.HideViewer(); }

    void SetButton2Caption(const std::string& caption) override { form_.Button2->setText(FromAnsi(caption)); }
    void ShowButton2() override { form_.Button2->show(); }
    void SetBusyCursor(bool busy) override {
        if (busy == busy_) return;
        busy_ = busy;
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

    bool IsShown() const override { return form_.isVisible(); }
    void HideWindow() override { form_.hide(); }
    void ShowWindow() override { form_.ShowWindow(); }
    void ShowNewestDay() override {
        if (form_.OnDaysArrived) form_.OnDaysArrived();
    }
    void MoveLeft(int left) override { form_.move(left, form_.y()); }
    std::string NotificationAddress() const override { return ToAnsi(form_.Edit7->text()); }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    void RequestEnd() override { application_end_.RequestEnd(); }

    // The client's events go to the window's handlers.
    void OnStatus(HttpStatus status, const std::string& text) override { form_.HTTPStatus(&form_, status, text); }
    void OnWork(WorkMode mode, uint64_t count) override { form_.HTTPWork(&form_, mode, count); }
    void OnWorkEnd(WorkMode mode) override { form_.HTTPWorkEnd(&form_, mode); }
    void OnDisconnected() override { form_.HTTPDisconnected(&form_); }

private:
    static constexpr int kTraceLines = 2000;
    TTransmitForm& form_;
    TransmitHttpEvents core_events_;
    TApplicationEnd application_end_;
    bool busy_ = false;
};

TTransmitForm::RunParts& TTransmitForm::Run() {
    if (!run_) {
        run_ = std::make_shared<RunParts>(*this);
        HTTP.SetEvents(run_.get());
        HTTP.SetPump([] { QCoreApplication::processEvents(); });
        // Close/Cancel has hidden the window by then; closing the connection
        // makes the client's disconnect restart the program.
        CloseConnection = [this] { CancelRun(Run(), HTTP); };
    }
    return *run_;
}

void TTransmitForm::Button1Click(QObject*) { RunUpdate(Run(), HTTP); }

void TTransmitForm::HTTPStatus(QObject*, HttpStatus status, const std::string& text) {
    Run().CoreEvents().OnStatus(status, text);
}

void TTransmitForm::HTTPWork(QObject*, WorkMode mode, uint64_t count) { Run().CoreEvents().OnWork(mode, count); }

void TTransmitForm::HTTPWorkEnd(QObject*, WorkMode mode) { Run().CoreEvents().OnWorkEnd(mode); }

void TTransmitForm::HTTPDisconnected(QObject*) { Run().CoreEvents().OnDisconnected(); }

}  // namespace veltod
