#include "core/update/console_view.h"

#include <algorithm>
#include <cctype>

#include "core/update/file_fetch.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"

namespace veltod {
namespace {

constexpr size_t kBarWidth = 30;

std::string Kilobytes(uint64_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KiB"; }

// The row counter "3/12" of the package walk says nothing the fetch lines do
// not say better.
bool IsRowCounter(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789/") == std::string::npos;
}

}  // namespace

void ConsoleLines::Line(const std::string& text) {
    if (!out_) return;
    EndBar();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void ConsoleLines::Bar(uint64_t done, uint64_t total) {
    if (!out_) return;
    // Appended piece by piece: GCC 12 at -O3 takes a literal put in front of
    // a temporary string for an overlapping copy (GCC bug 105329).
    std::string bar;
    if (total > 0) {
        const uint64_t shown = std::min(done, total);
        const size_t filled = static_cast<size_t>(shown * kBarWidth / total);
        bar.append("[").append(filled, '#').append(kBarWidth - filled, ' ').append("] ");
        bar.append(std::to_string(shown * 100 / total)).append("% ").append(Kilobytes(shown));
        bar.append(" of ").append(Kilobytes(total));
    } else {
        bar = Kilobytes(done);
    }
    std::fprintf(out_, "\r  %s\x1b[K", bar.c_str());
    std::fflush(out_);
    bar_open_ = true;
}

void ConsoleLines::EndBar() {
    if (!out_ || !bar_open_) return;
    std::fputc('\n', out_);
    bar_open_ = false;
}

void ConsoleDialogs::Message(const std::string& text) {
    last_ = text;
    lines_.Line(text);
}

void ConsoleDialogs::TitledMessage(const std::string& title, const std::string& text) {
    last_ = text;
    lines_.Line(title + ": " + text);
}

void ConsoleDialogs::Notice(const std::string& title, const std::string& text) { TitledMessage(title, text); }

bool ConsoleDialogs::Confirm(const std::string& text) {
    lines_.Line(text + " (answered No: nobody to ask)");
    return false;
}

void ConsoleDialogs::ErrorBox(const std::string& text) { Message(text); }

ConsoleTransmitView::ConsoleTransmitView(HttpClient& client, ConsoleLines& lines, std::function<bool()> cancel_asked)
    : client_(client), lines_(lines), cancel_asked_(std::move(cancel_asked)) {
    if (const std::optional<ConnectionSettings> settings = ReadConnectionSettings()) settings_ = *settings;
}

bool ConsoleTransmitView::UseProxy() const { return settings_.proxy_ticked == ProxyTick::Ticked; }

void ConsoleTransmitView::SetStatusLine(const std::string& text) {
    if (!IsRowCounter(text)) lines_.Line(text);
}

void ConsoleTransmitView::Trace(const std::string& line) {
    const std::string prefix = kFetchTrace;
    if (line.rfind(prefix, 0) != 0) return;
    std::string text = "Fetching ";
    text.append(line, prefix.size(), line.find(kFetchTraceTarget) - prefix.size());
    lines_.Line(text);
}

void ConsoleTransmitView::SetProgressLine(const std::string& text) {
    if (!text.empty()) lines_.Line(text);
}

void ConsoleTransmitView::ProcessMessages() {
    if (!cancel_asked_ || !cancel_asked_()) return;
    // Outside a run the command itself looks; within one, once is enough.
    const UpdateState& state = TheUpdateState();
    if (!state.RunInProgress || state.CancelPressed) return;
    lines_.Line("Cancelling: what has arrived is kept.");
    CancelRun(*this, client_);
}

void ConsoleTransmitView::OnWork(WorkMode mode, uint64_t count) {
    if (mode == WorkMode::Read && count > 0) lines_.Bar(count, client_.ContentLength());
}

void ConsoleTransmitView::OnWorkEnd(WorkMode) { lines_.EndBar(); }

void ConsoleTransmitView::OnDisconnected() { HandleDisconnected(*this); }

}  // namespace veltod
