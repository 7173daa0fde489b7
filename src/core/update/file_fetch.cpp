#include "core/update/file_fetch.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/apply/list_expiry.h"
#include "core/apply/package_format.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/line_scanner.h"
#include "core/records/record_file.h"
#include "core/update/run_control.h"
#include "core/update/update_state.h"

namespace veltod {
namespace {

const char kGood[] = "bien";
const char kBad[] = "mal";

bool BeginsWith(std::string_view line, std::string_view marker) { return line.substr(0, marker.size()) == marker; }

// The raw copy: the body written as it arrives, followed by CR LF, then
// renamed into place. The file is made with the first block, so a request
// that fails before its body leaves nothing behind and fails as it always
// did; one that fails later takes its partial copy along. It is not flushed:
// only this run reads it (a list is checked and its content written out
// durably, a package is unpacked), and the start-up pass removes every
// received package, so no copy is ever read after a stop.
class RawCopySink : public BodySink {
public:
    explicit RawCopySink(std::string path) : path_(std::move(path)) {}
    void Take(std::string_view block) override { Writer().Write(block); }
    void Commit() {
        Writer().Write("\r\n");
        writer_->Commit();
    }

private:
    AtomicFileWriter& Writer() {
        if (!writer_) writer_.emplace(path_, Durability::kPassing);
        return *writer_;
    }

    std::string path_;
    std::optional<AtomicFileWriter> writer_;
};

void RemoveRawCopy(const std::string& target) {
    if (FileExists(target + "Q")) DeleteFile(target + "Q");
}

// A list that does not read as its users expect would stop every later run
// (or start) that reads it; it must never replace a sound one.
bool FollowsRules(const std::string& content, const TextListRules& rules) {
    RecordTable table;
    try {
        ParseRecordBytes(content, table);
    } catch (const Error&) {
        return false;
    }
    if (table.RowCount() < rules.min_rows) return false;
    if (table.RowCount() > 0 && table.Width() < rules.min_fields) return false;
    if (rules.row_ok)
        for (size_t row = 0; row < table.RowCount(); ++row)
            if (!rules.row_ok(table, row)) return false;
    return true;
}

// Why a list may not be taken: one not signed with the publisher's key
// could point every later update elsewhere, and one past its expiry could
// hold the user on old news for ever. Empty when it may be taken. A list
// without an expiry (from a publisher that wrote none) is checked as before
// and taken as good today.
std::string SealProblem(const std::string& content, std::string_view signature,
                        const std::optional<std::string>& expiry, const TextListRules& rules, CopyFindings& found) {
    std::string key;
    if (!rules.key_file.empty()) {
        try {
            key = ReadKeyFile(rules.key_file, kPublicKeySize);
        } catch (const Error& error) {
            return std::string("cannot be checked: ") + error.what();
        }
    }
    if (!expiry) {
        found.without_expiry = true;
        if (key.empty()) return "";
        if (signature.empty()) return "is not signed";
        return TextSignatureVerifies(content, signature, key) ? "" : "has a signature that does not verify";
    }
    std::string problem;
    const std::string day = ExpiryDayOf(*expiry, content, key, problem);
    if (day.empty()) return problem;
    if (!rules.today.empty() && day < rules.today) {
        found.expired_on = day;
        return "expired on " + DayText(day) + ", before the server date " + DayText(rules.today);
    }
    return "";
}

std::string CheckTextCopy(const std::string& target, const TextListRules* rules, CopyFindings& found) {
    std::string raw = ReadWholeFile(target + "Q");
    enum { Before, Inside, Done } where = Before;
    std::string content;
    content.reserve(raw.size());
    std::string signature;
    std::optional<std::string> expiry;
    ScanLines(raw.data(), raw.data() + raw.size(), [&](std::string_view line) {
        if (where == Before) {
            if (BeginsWith(line, "comensando")) where = Inside;
        } else if (where == Inside) {
            if (BeginsWith(line, "terminando")) {
                where = Done;
            } else {
                content.append(line);
                content += "\r\n";
            }
        } else if (signature.empty() && BeginsWith(line, kSignatureLine)) {
            signature = std::string(line.substr(std::string_view(kSignatureLine).size()));
        } else if (!expiry && BeginsWith(line, kExpiryLine)) {
            expiry = std::string(line.substr(std::string_view(kExpiryLine).size()));
        }
    });
    // A list near its cap is held once while it is checked and read, not twice.
    std::string().swap(raw);
    if (where != Done) {
        found.reason = "was cut short (no end marker)";
        return kBad;
    }
    if (rules) {
        const std::string problem = SealProblem(content, signature, expiry, *rules, found);
        if (!problem.empty()) {
            found.reason = problem;
            return kBad;
        }
    }
    if (rules && !FollowsRules(content, *rules)) {
        found.reason = "is not a sound list";
        return kBad;
    }
    // The content goes through a file of its own, renamed over the target,
    // so the target is never missing or half written.
    ReplaceFileAtomically(target + "P", content);
    MoveFile(target + "P", target);
    return kGood;
}

std::string CheckBinaryCopy(const std::string& target, CopyFindings& found) {
    // Only the mark is checked; a large package is not read in whole for it.
    if (ReadFileStart(target + "Q", 3) != "MZP") {
        found.reason = "is not a package";
        return kBad;
    }
    MoveFile(target + "Q", target);
    return kGood;
}

// Sets the hourglass for a fetch and puts the normal cursor back however it
// ends.
class BusyCursor {
public:
    explicit BusyCursor(TransmitView& view) : view_(view) { view_.SetBusyCursor(true); }
    ~BusyCursor() { Restore(); }
    void Restore() {
        if (!busy_) return;
        busy_ = false;
        view_.SetBusyCursor(false);
    }

private:
    TransmitView& view_;
    bool busy_ = true;
};

// The pause between two rounds over the mirrors. Window events keep running,
// so a Cancel pressed meanwhile takes effect as it would during a request,
// and the progress line says why the run waits and for how long.
void PauseBetweenRounds(TransmitView& view, size_t attempts, const std::string& last_failure) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + milliseconds(TheUpdateSettings().PauseBetweenRoundsMs);
    long long shown = -1;
    for (;;) {
        view.ProcessMessages();
        if (TheUpdateState().CancelPressed) {
            RestartProgram();
            throw UpdateCancelled();
        }
        const auto now = steady_clock::now();
        if (now >= until) return;
        const long long left = duration_cast<std::chrono::seconds>(until - now + milliseconds(999)).count();
        if (left != shown) {
            shown = left;
            view.SetProgressLine("Failed attempts: " + std::to_string(attempts) + " (" + last_failure +
                                 "); next round in " + std::to_string(left) + " s");
        }
        std::this_thread::sleep_for(std::min<steady_clock::duration>(until - now, milliseconds(50)));
    }
}

// The client's failure, named as the user should read it where the fault is
// the copy's own: an answer that stopped before its end, a list over its cap.
std::string NamedFailure(const std::string& what, HttpClient& client, const std::string& base,
                         const TextListRules* rules) {
    if (client.ResponseCode() != 0 && what == "Connection Closed Gracefully.") {
        const uint64_t announced = client.ContentLength();
        return "the copy from " + base + " was cut short: the connection closed before the end of the answer" +
               (announced > 0 ? " (" + std::to_string(announced) + " bytes announced)" : std::string());
    }
    if (rules && rules->max_bytes > 0 &&
        what == "Response body larger than " + std::to_string(client.Limits().max_body_bytes) + " bytes.")
        return "the copy from " + base + " is over the list's cap: " + what;
    return what;
}

// The mirrors that served a list past its expiry during one fetch, in the
// order they were asked, each with the day its list expired.
class ExpiredMirrors {
public:
    void Add(const std::string& base, const std::string& day) {
        for (const auto& [known, on] : mirrors_)
            if (known == base && on == day) return;
        mirrors_.emplace_back(base, day);
    }
    // " Expired lists (server date ...): A served one that expired on ...; ..."
    // or nothing.
    std::string Text(const TextListRules* rules) const {
        if (mirrors_.empty()) return {};
        std::string text = " Expired lists (the server date is " + DayText(rules ? rules->today : "") + "): ";
        for (size_t i = 0; i < mirrors_.size(); ++i)
            text += (i ? "; " : "") + mirrors_[i].first + " served one that expired on " + DayText(mirrors_[i].second);
        return text + ".";
    }

private:
    std::vector<std::pair<std::string, std::string>> mirrors_;
};

std::string Thousands(uint64_t value) { return value < 1000 ? std::string() : std::to_string(value / 1000); }

// The addresses tried, as the final message names them ("a, b and c").
std::string JoinedAddresses(const std::vector<std::string>& addresses) {
    std::string text;
    for (size_t i = 0; i < addresses.size(); ++i)
        text += (i == 0 ? "" : i + 1 == addresses.size() ? " and " : ", ") + addresses[i].substr(0, 200);
    return text;
}

}  // namespace

void CopyProxySettings(const TransmitView& view, HttpClient& client) {
    HttpRequestSettings& request = client.Request();
    if (!view.UseProxy()) {
        request.proxy_server.clear();
        request.proxy_user.clear();
        request.proxy_password.clear();
        return;
    }
    request.proxy_server = view.ProxyServer();
    int32_t port = 80;
    request.proxy_port = TryStrToInt(view.ProxyPort(), port) ? port : 80;
    request.proxy_user = view.ProxyUser();
    request.proxy_password = view.ProxyPassword();
}

std::string CheckFetchedFile(const std::string& target, const std::string& mode, const TextListRules* rules,
                             CopyFindings* findings) {
    CopyFindings ignored;
    CopyFindings& found = findings ? *findings : ignored;
    std::string status = kBad;
    try {
        if (mode == kTextMode) status = CheckTextCopy(target, rules, found);
        else if (mode == kBinaryMode) status = CheckBinaryCopy(target, found);
    } catch (...) {
        if (FileExists(target + "P")) DeleteFile(target + "P");
        RemoveRawCopy(target);
        throw;
    }
    if (!(mode == kBinaryMode && status == kGood)) RemoveRawCopy(target);
    return status;
}

void AdvanceMirror() {
    UpdateState& state = TheUpdateState();
    ++state.MirrorIndex;
    if (state.MirrorIndex >= state.MirrorList.RowCount()) state.MirrorIndex = 0;
}

std::string ProgressText(uint64_t count, uint64_t length) { return Thousands(count) + "Kb/" + Thousands(length) + "Kb"; }

// Lowers the client's body limit for one fetch.
class BodyLimit {
public:
    BodyLimit(HttpClient& client, uint64_t max_bytes) : limits_(client.Limits()), saved_(limits_.max_body_bytes) {
        if (max_bytes > 0) limits_.max_body_bytes = std::min(saved_, max_bytes);
    }
    ~BodyLimit() { limits_.max_body_bytes = saved_; }
    BodyLimit(const BodyLimit&) = delete;
    BodyLimit& operator=(const BodyLimit&) = delete;

private:
    HttpLimits& limits_;
    uint64_t saved_;
};

std::string FetchFile(TransmitView& view, HttpClient& client, const std::string& target, const std::string& remote,
                      const std::string& mode, const TextListRules* rules) {
    UpdateState& state = TheUpdateState();
    if (mode != kTextMode && mode != kBinaryMode) throw Error("Unknown fetch mode \"" + mode + "\" for " + remote);
    const size_t mirrors = state.MirrorList.RowCount();
    if (mirrors == 0) throw Error("The mirror list is empty: there is no mirror to fetch " + remote + " from.");

    BusyCursor busy(view);
    const BodyLimit limit(client, rules ? rules->max_bytes : 0);
    std::string status = kBad;
    CopyProxySettings(view, client);
    const int max_rounds = std::max(1, TheUpdateSettings().MaxMirrorRounds);
    size_t failures = 0;
    std::string last_failure;
    bool last_expired = false;
    ExpiredMirrors expired;
    std::vector<std::string> tried;
    while (status == kBad) {
        // A cancelled request fails like any other; the run must not go on
        // to the next mirror or pause for another round.
        StopIfCancelled();
        if (state.MirrorIndex >= mirrors) state.MirrorIndex = 0;
        const std::string base = state.MirrorList.FieldString(state.MirrorIndex, 0);
        if (std::find(tried.begin(), tried.end(), base) == tried.end()) tried.push_back(base);
        view.Trace(kFetchTrace + base + remote + kFetchTraceTarget + target);
        if (failures > 0)
            view.SetProgressLine("Attempt " + std::to_string(failures + 1) + ": " + remote + " from " + base);
        try {
            RemoveRawCopy(target);
            {
                RawCopySink raw(target + "Q");
                client.Get(base + remote, raw);
                // The client ends a chain of redirects after its last request
                // without error; what it brings back then is no copy at all.
                if (!client.Location().empty())
                    throw NetworkError("the copy from " + base + " ran into a redirect loop (still redirected after " +
                                       std::to_string(kMaxRequestsPerCall) + " requests)");
                raw.Commit();
            }
            CopyFindings found;
            status = CheckFetchedFile(target, mode, rules, &found);
            view.Trace("Proceso de Traer archivo CORRECTO");
            if (status == kBad) {
                last_failure = "the copy from " + base + " " + found.reason;
                last_expired = !found.expired_on.empty();
                if (last_expired) expired.Add(base, found.expired_on);
                AdvanceMirror();
            } else if (rules && found.without_expiry) {
                view.Trace("The " + remote + " of " + base + " names no expiry: taken as good today.");
            }
        } catch (const NetworkError& problem) {
            last_failure = NamedFailure(problem.what(), client, base, rules);
            last_expired = false;
            if (status == kBad) AdvanceMirror();
        } catch (const Error& problem) {
            last_failure = problem.what();
            last_expired = false;
            if (status == kBad) AdvanceMirror();
        }
        StopIfCancelled();
        if (status == kBad && ++failures % mirrors == 0) {
            if (failures / mirrors >= static_cast<size_t>(max_rounds)) {
                busy.Restore();
                view.Trace("Saliendo del proceso traer archivo con resultado : ");
                // The expired lists say it all when the last failure was one.
                throw NetworkError("No mirror delivered " + remote + " after " + std::to_string(failures) +
                                   " attempts at " + JoinedAddresses(tried) + "." + expired.Text(rules) +
                                   (last_expired ? std::string() : " Last failure: " + last_failure));
            }
            PauseBetweenRounds(view, failures, last_failure);
        }
    }
    busy.Restore();
    const std::string result = FileExists(target) ? "ok" : "";
    view.Trace("Saliendo del proceso traer archivo con resultado : " + result);
    return result;
}

}  // namespace veltod
