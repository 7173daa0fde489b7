#include "core/update/update_run.h"

#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <memory>
#include <set>
#include <vector>

#include "core/apply/received_files.h"
#include "core/catalogue/category_marks.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "core/update/file_fetch.h"
#include "core/update/update_lock.h"
#include "core/update/update_state.h"

namespace veltod {
namespace {

const char kNothing[] = "nada";
const char kFinished[] = "terminado";
const char kNotFound[] = "error";
// The oldest server date the run accepts; a missing Date header gives 1899.
const int kFirstServerDate = 20011001;

// GCC 12 at -O3 reports a false -Wrestrict in std::string code inlined here (GCC bug 105329).
#pragma GCC diagnostic push
#ifndef __clang__  // clang has no such warning
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string TwoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// Asks the probe sites in turn for their date. False after the failure end:
// nobody answered, the user has been told and the window is hidden.
bool ProbeServerDate(TransmitView& view, HttpClient& client, RunReport& report) {
    UpdateState& state = TheUpdateState();
    const std::vector<std::string> sites = TheUpdateSettings().ProbeSites;
    state.ServerDate = kNothing;
    for (size_t attempt = 0; attempt < sites.size() && state.ServerDate == kNothing; ++attempt) {
        CopyProxySettings(view, client);
        try {
            client.Head(sites[attempt]);
            state.ServerDate = ServerDateOf(client.Date());
        } catch (const NetworkError&) {
            StopIfCancelled();
        }
    }
    if (state.ServerDate != kNothing) return true;
    // Still connected means something answered, so the proxy is the likely
    // fault; otherwise nothing could be reached at all.
    report.message = client.Connected() ? "PLEASE, CHECK YOUR PROXY CONFIGURATION IN MENU OPTIONS"
                                        : "PLEASE, CHECK YOUR TCP/IP CONNECTION";
    TheDialogs().TitledMessage("CONNECTION FAILED", report.message);
    client.Disconnect();
    view.SetBusyCursor(false);
    view.ShowButton2();
    view.HideWindow();
    return false;
}
#pragma GCC diagnostic pop

RecordTable ReadTable(const std::string& path) {
    RecordTable table;
    ReadRecordFile(path, table);
    return table;
}

// A mirror is a base address the client can ask (plain HTTP).
bool IsMirrorRow(const RecordTable& table, size_t row) {
    const std::string_view address = table.Field(row, 0);
    if (address.size() <= 7) return false;
    std::string scheme(address.substr(0, 7));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "http://";
}

// The server date while the probe has found one; empty before.
std::string RunDay() {
    const std::string& day = TheUpdateState().ServerDate;
    return IsEightDigits(day) ? day : std::string();
}

// A listed package is a day (eight digits) and a name.
bool IsListingRow(const RecordTable& table, size_t row) {
    return IsEightDigits(table.Field(row, 0)) && !table.Field(row, 1).empty();
}

// Replaces the mirror list with the one the mirrors offer now. A list that
// holds no mirror is not taken: keeping it would leave no mirror to ask,
// now and in every later run.
void RefreshMirrors(TransmitView& view, HttpClient& client) {
    UpdateState& state = TheUpdateState();
    state.MirrorList = ReadTable(kMirrorListInUseFile);
    state.MirrorIndex = 0;
    state.FetchResult.clear();
    const TextListRules rules = MirrorListRules();
    state.FetchResult = FetchFile(view, client, kMirrorListFile, "espejos.txt", kTextMode, &rules);
    view.Trace("Recibi\xF3 Servidores");
    RecordTable fresh = ReadTable(kMirrorListFile);
    if (fresh.RowCount() == 0) return;
    state.MirrorList = fresh;
    view.Trace("Carg\xF3 Servidores Nuevos en Array");
    state.MirrorIndex = 0;
    view.Trace("va a pasar servidores.txt a .fij");
    CopyFile(kMirrorListFile, kMirrorListInUseFile);
    view.Trace("Los pas\xF3");
}

void FetchListing(TransmitView& view, HttpClient& client) {
    UpdateState& state = TheUpdateState();
    view.Trace("va a leer Listado.txt");
    const TextListRules rules = ListingRules();
    state.FetchResult = FetchFile(view, client, kListingFile, "listado.txt", kTextMode, &rules);
    view.Trace("ley\xF3 listado.txt");
    state.PackageList = ReadTable(kListingFile);
    view.Trace("Carg\xF3 en array Listado.txt");
}

std::vector<std::string> DaysAppliedSince(const std::string& applied_before);

// An installation nobody has pointed at a mirror (a package built without
// its distributor's mirror list) has nothing to ask: the user is told how
// to set one instead of seeing every fetch fail.
bool MirrorIsSet(TransmitView& view, RunReport& report) {
    bool listed = false;
    if (FileExists(kMirrorListInUseFile)) {
        const RecordTable mirrors = ReadTable(kMirrorListInUseFile);
        for (size_t row = 0; row < mirrors.RowCount() && !listed; ++row) listed = IsMirrorRow(mirrors, row);
    }
    const std::string& key = TheUpdateSettings().ListKeyFile;
    if (listed && (key.empty() || FileExists(key))) return true;
    report.message = kNoMirrorText;
    TheDialogs().TitledMessage("NO MIRROR SET", report.message);
    view.HideTrace();
    view.ShowButton2();
    view.HideWindow();
    return false;
}

RunReport RunSteps(TransmitView& view, HttpClient& client) {
    UpdateState& state = TheUpdateState();
    RunReport report;
    const bool proxy = view.UseProxy();
    const bool no_password = view.ProxyPassword().empty();
    const bool no_server = view.ProxyServer().empty();
    const bool no_user = view.ProxyUser().empty();
    if (proxy && (no_server || (!no_user && no_password))) {
        view.HideTrace();
        if (no_password) view.FocusProxyPassword();
        if (no_server) view.FocusProxyServer();
        report.message = "The proxy settings are incomplete: a proxy server, or the password of its user, is missing.";
        return report;
    }
    if (proxy && no_user) view.ClearProxyPassword();

    if (!MirrorIsSet(view, report)) return report;
    view.SetButton2Caption("Cancel");
    view.SetBusyCursor(true);
    if (!ProbeServerDate(view, client, report)) return report;
    view.SetBusyCursor(false);
    view.Trace("Recibi\xF3 Fecha");
    if (StrToInt(state.ServerDate) < kFirstServerDate) {
        // The message box keeps its words; the window, which stays open,
        // says what the date server sent.
        const std::string* date = client.Headers().Find("Date");
        view.SetProgressLine(date ? "The date server's date is unusable or before October 2001: " + date->substr(0, 40)
                                  : "The date server's answer carried no date");
        report.message = "SERVER ERROR, PLEASE RETRAY LATER";
        TheDialogs().Message(report.message);
        view.ShowButton2();
        return report;
    }

    state.LastUpdateDate = ReadLastUpdateDate();
    const std::string applied_before = state.LastUpdateDate;
    view.Trace("va a entrar en actualizar desarmado");
    StopIfCancelled();
    ApplyUnpackedDays(view, state.ServerDate, state.LastUpdateDate);
    view.Trace("salio de actualizar desarmado");

    StopIfCancelled();
    RefreshMirrors(view, client);
    StopIfCancelled();
    FetchListing(view, client);

    state.LastUpdateDate = ReadLastUpdateDate();
    StopIfCancelled();
    FetchPackages(view, client, state.ServerDate, state.LastUpdateDate);
    state.FetchResult.clear();

    StopIfCancelled();
    ApplyReceivedFiles(view, state.ServerDate);
    ComputeCategoryMarks();
    report.days = CountArrivals(DaysAppliedSince(applied_before));
    report.end = report.days.empty() ? RunEnd::UpToDate : RunEnd::DaysArrived;

    view.ShowButton2();
    // Off the screen but still shown: a close of the connection during the
    // last request is then only traced, not taken for a cancel.
    view.MoveLeft(-1000);
    try {
        client.Get(view.NotificationAddress());
    } catch (const std::exception&) {
    }
    view.SetProgressLine("");
    view.HideWindow();
    // On a fast mirror the window comes and goes unseen: a run that brought
    // days says which, and the day news opens on the newest.
    if (!report.days.empty()) {
        TheDialogs().Notice("UPDATE COMPLETE", ArrivalSummary(report.days));
        view.ShowNewestDay();
    }
    return report;
}

// The days of the package listing after applied_before up to the day now
// recorded as applied, oldest first.
std::vector<std::string> DaysAppliedSince(const std::string& applied_before) {
    const int before = StrToInt(applied_before);
    const int now = StrToInt(ReadLastUpdateDate());
    std::set<int> days;
    const RecordTable& list = TheUpdateState().PackageList;
    for (size_t row = 0; row < list.RowCount(); ++row) {
        int32_t day = 0;
        if (TryStrToInt(list.Field(row, 0), day) && day > before && day <= now) days.insert(day);
    }
    // A day applied from what an earlier run left unpacked may be missing
    // from the listing; the newest day always counts.
    if (now > before) days.insert(now);
    std::vector<std::string> result;
    for (int day : days) result.push_back(std::to_string(day));
    return result;
}

// A package name from the listing becomes a file name in kReceivedFolder and
// kBinFolder: only plain names are taken, never a path.
void CheckPackageName(const std::string& name) {
    const bool plain = !name.empty() && name.find("..") == std::string::npos &&
                       name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") ==
                           std::string::npos;
    if (!plain) throw Error("The package listing names an invalid package: '" + name.substr(0, 80) + "'");
}

}  // namespace

// A sound list without any mirror is taken as a copy, but not as the list
// (RefreshMirrors). A list is fresh when it has not expired on the server
// date the probe took from sites other than the mirrors.
TextListRules MirrorListRules() {
    return {TheUpdateSettings().MaxMirrorListBytes, 1, 0, IsMirrorRow, TheUpdateSettings().ListKeyFile, RunDay()};
}

TextListRules ListingRules() {
    return {TheUpdateSettings().MaxListingBytes, 2, 0, IsListingRow, TheUpdateSettings().ListKeyFile, RunDay()};
}

std::string ReadLastUpdateDate() {
    RecordTable table = ReadTable(kLastAppliedFile);
    if (table.RowCount() == 0) throw Error(kLastAppliedFile + " holds no day.");
    return table.FieldString(0, 0);
}

std::string ServerDateOf(const LocalDateTime& date) {
    std::string year;
    if (date.year > 100) year = std::to_string(date.year);
    else if (date.year < 100) year = "20" + std::to_string(date.year);
    return year + TwoDigits(date.month) + TwoDigits(date.day);
}

std::string NextPackage(TransmitView& view, const std::string& upper, const std::string& previous,
                        const std::string& last_update_date) {
    const RecordTable& list = TheUpdateState().PackageList;
    const int top = StrToInt(upper);
    const int before = StrToInt(previous);
    const int last = StrToInt(last_update_date);
    const size_t count = list.RowCount();
    const auto choose = [&](size_t row) { view.SetStatusLine(std::to_string(row) + "/" + std::to_string(count)); };

    std::string result = kNotFound;
    if (before > last) {
        for (size_t row = 0; row < count; ++row) {
            if (!(list.Field(row, 0) < std::string_view(previous))) continue;
            choose(row);
            result = StrToInt(list.Field(row, 0)) > last ? list.FieldString(row, 1) : kFinished;
            break;
        }
    }
    if (before == 0 && top > last) {
        for (size_t row = 0; row < count; ++row) {
            const int date = StrToInt(list.Field(row, 0));
            if (date > last && date <= top) {
                choose(row);
                result = list.FieldString(row, 1);
                break;
            }
        }
    }
    if (before != 0 && before <= last) result = kFinished;
    if (before > last && count > 0 && list.Field(count - 1, 0) == previous) result = kFinished;
    return result;
}

void RecordReceivedPackage(const std::string& line, const std::string& mode) {
    if (mode == "1")
        ReplaceFileAtomically(kReceivedPackagesFile, line + "\r\n");
    else
        AppendToFile(kReceivedPackagesFile, line + "\r\n");
}

void WalkPackages(TransmitView& view, const std::string& server_date, const std::string& last_update_date,
                  const std::function<bool(const std::string& name)>& fetch) {
    UpdateState& state = TheUpdateState();
    StrToInt(server_date);
    StrToInt(last_update_date);
    std::string current = NextPackage(view, server_date, "0", last_update_date);
    RecordReceivedPackage("1", "1");
    // The walk steps by dates but goes on from names; where a name does not
    // match its date it can come back to a package already walked, and from
    // there round the same packages for ever.
    std::set<std::string> walked;
    while (current != kFinished && current != kNotFound) {
        StopIfCancelled();
        if (!walked.insert(current).second) {
            view.Trace("The package listing leads back to " + current + ": no more packages.");
            break;
        }
        CheckPackageName(current);
        state.FetchResult.clear();
        state.FetchResult = fetch(current) ? "ok" : "";
        if (state.FetchResult == "ok") RecordReceivedPackage(current + ".exe", "99");
        current = NextPackage(view, "0", current, last_update_date);
    }
    if (current == kNotFound) {
        TheDialogs().Message("Velto Download is UP TO DATE");
        view.HideTrace();
        view.HideWindow();
    }
}

void FetchPackages(TransmitView& view, HttpClient& client, const std::string& server_date,
                   const std::string& last_update_date) {
    WalkPackages(view, server_date, last_update_date, [&](const std::string& name) {
        return FetchFile(view, client, ReceivedPackagePath(name), "dos/" + name + ".gif", kBinaryMode) == "ok";
    });
}

RunReport RunUpdate(TransmitView& view, HttpClient& client) {
    UpdateState& state = TheUpdateState();
    RunReport report;
    report.end = RunEnd::AlreadyRunning;
    report.message = kAlreadyRunningText;
    if (state.RunInProgress) return report;
    // A run of the update command or of another copy of the program: the
    // window says so and is left for the user to close.
    const std::unique_ptr<FileLock> lock = TryTakeUpdateLock();
    if (!lock) {
        view.SetStatusLine(kAlreadyRunningText);
        view.SetProgressLine("");
        view.ShowButton2();
        view.ShowWindow();
        return report;
    }
    state.RunInProgress = true;
    state.CancelPressed = false;
    try {
        report = RunSteps(view, client);
    } catch (const Stopped&) {
        // The program could not be restarted fresh: this copy goes on, and the
        // window tells what happened to the run.
        state.RunInProgress = false;
        view.SetBusyCursor(false);
        view.SetButton2Caption("Close");
        view.ShowButton2();
        view.SetProgressLine("");
        // Also when Cancel ended a package's unpacking or the days' filing.
        view.SetStatusLine(UpdateCancelled::kUpdateCancelledText);
        view.ShowWindow();
        report.end = RunEnd::Cancelled;
        report.message = UpdateCancelled::kUpdateCancelledText;
        return report;
    } catch (...) {
        state.RunInProgress = false;
        // The error box follows; the window stays for the user to close.
        view.SetBusyCursor(false);
        view.ShowButton2();
        throw;
    }
    state.RunInProgress = false;
    return report;
}

void CancelRun(TransmitView& view, HttpClient& client) {
    const bool running = TheUpdateState().RunInProgress;
    TheUpdateState().CancelPressed = true;
    view.HideTrace();
    view.HideWindow();
    // Also during a name lookup, when no connection exists yet: the request
    // then ends at once and the disconnect restarts the program.
    if (running || client.Connected()) client.Disconnect();
}

bool TransmitView::StopRequested() {
    // A Cancel press waits in the window's events.
    ProcessMessages();
    return TheUpdateState().RunInProgress && TheUpdateState().CancelPressed;
}

std::vector<DayArrival> CountArrivals(const std::vector<std::string>& days) {
    std::vector<DayArrival> arrivals;
    for (size_t i = 0; i < days.size(); ++i) {
        DayArrival arrival{days[i]};
        // Day file 7 holds the newest day, 6 the one before, and so on.
        const size_t from_newest = days.size() - 1 - i;
        if (from_newest < 7) {
            try {
                for (const char* kind : {"1", "2", "3"}) {
                    const std::string path = DayFilePath(kind, static_cast<int>(7 - from_newest));
                    if (FileExists(path)) arrival.entries += ReadTable(path).RowCount();
                }
                arrival.counted = true;
            } catch (const Error&) {
                arrival.entries = 0;  // the day did arrive; only its count is unknown
            }
        }
        arrivals.push_back(arrival);
    }
    return arrivals;
}

std::string ArrivalSummary(const std::vector<DayArrival>& days) {
    std::string text = std::to_string(days.size()) + (days.size() == 1 ? " new day" : " new days") + " arrived:";
    for (size_t i = 0; i < days.size(); ++i) {
        const std::string& day = days[i].day;
        text += (i == 0 ? " " : ", ");
        text += DayText(day);
        if (days[i].counted)
            text += " (" + std::to_string(days[i].entries) + (days[i].entries == 1 ? " entry)" : " entries)");
    }
    return text + ".";
}

std::string ArrivalHeadline(const std::vector<DayArrival>& days) {
    size_t entries = 0;
    for (const DayArrival& day : days) entries += day.entries;
    // Built by appending only: GCC 12 at -O3 takes an insert into a string
    // for an overlapping copy (GCC bug 105329).
    const std::string digits = std::to_string(entries);
    std::string text = std::to_string(days.size());
    text.append(days.size() == 1 ? " day" : " days").append(" arrived: ");
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text.append(entries == 1 ? " new entry" : " new entries");
}

void HandleDisconnected(TransmitView& view) {
    bool hidden = false;
    try {
        hidden = !view.IsShown();
        if (!hidden) view.Trace("1---");
    } catch (...) {
        return;
    }
    if (hidden) RestartProgram();
}

void TransmitHttpEvents::OnStatus(HttpStatus, const std::string& text) {
    try {
        view_.Trace(text);
    } catch (...) {
    }
}

void TransmitHttpEvents::OnWork(WorkMode, uint64_t count) {
    try {
        view_.SetProgressLine(ProgressText(count, client_.ContentLength()));
        view_.Trace(std::to_string(count));
    } catch (...) {
    }
}

void TransmitHttpEvents::OnWorkEnd(WorkMode) {
    try {
        view_.Trace("2---");
    } catch (...) {
    }
}

void TransmitHttpEvents::OnDisconnected() { HandleDisconnected(view_); }

}  // namespace veltod
