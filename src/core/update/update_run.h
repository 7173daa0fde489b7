#pragma once
// The update run: test the connection and learn the server's date, apply
// days left unpacked, refresh the mirror list, fetch the package listing and
// every package newer than the last applied day, apply them, recompute the
// category marks and call the notification address. The window's handlers
// call these routines with itself as the TransmitView.
#include <functional>
#include <string>
#include <vector>

#include "core/net/http_client.h"
#include "core/net/http_date.h"
#include "core/platform/errors.h"
#include "core/update/file_fetch.h"
#include "core/update/run_control.h"
#include "core/update/transmit_view.h"

namespace veltod {

// What the run says when the installation names no mirror (or lacks the
// key its lists are signed with).
inline constexpr const char* kNoMirrorText =
    "No mirror is set, so there is nothing to update from. Set the mirror you read with the command\n\n"
    "veltod --mirror URL --key FILE\n\n"
    "where URL is its address and FILE holds the public key it signs with.";

// The last applied day: field 0 of the last record of kLastAppliedFile. A
// missing file is a FileError, a file without any record an Error.
std::string ReadLastUpdateDate();

// The server date of a response date, YYYYMMDD: a year above 100 as it is,
// one below 100 after "20", a year of exactly 100 as nothing.
std::string ServerDateOf(const LocalDateTime& date);

// What a fetched mirror list (a plain-HTTP base address per row) and a
// fetched listing (an eight-digit day and a name per row) must be to replace
// the installed one, within the caps of TheUpdateSettings().
TextListRules MirrorListRules();
TextListRules ListingRules();

// The next package to fetch from TheUpdateState().PackageList, "terminado"
// when there are no more, or "error" when none was found. The first call
// passes (server date, "0", last update date), later ones ("0", previous
// package, last update date). The status line shows the row chosen.
std::string NextPackage(TransmitView& view, const std::string& upper, const std::string& previous,
                        const std::string& last_update_date);

// Fetches every package newer than the last update date, newest first, into
// ReceivedPackagePath(name) and lists them in kReceivedPackagesFile.
void FetchPackages(TransmitView& view, HttpClient& client, const std::string& server_date,
                   const std::string& last_update_date);

// The walk of FetchPackages with the fetch of one package left to the
// caller: fetch(name) returns true when ReceivedPackagePath(name) is in
// place. A name the walk returns a second time ends it as finished, so a
// listing whose names do not follow their dates cannot make the run fetch
// the same packages for ever: at most one fetch per listed name.
void WalkPackages(TransmitView& view, const std::string& server_date, const std::string& last_update_date,
                  const std::function<bool(const std::string& name)>& fetch);

// Mode "1" recreates kReceivedPackagesFile holding just the line; any other
// mode appends the line.
void RecordReceivedPackage(const std::string& line, const std::string& mode);

// A day a run applied and the entries it brought (all licence kinds).
struct DayArrival {
    std::string day;     // YYYYMMDD
    size_t entries = 0;
    bool counted = false;  // false when its day files could not be read
};

// How a run ended, for the update command's exit status and notification.
enum class RunEnd { DaysArrived, UpToDate, Failed, Cancelled, AlreadyRunning };
struct RunReport {
    RunEnd end = RunEnd::Failed;
    std::vector<DayArrival> days;  // oldest first; only with DaysArrived
    std::string message;           // what the user was told when it failed
};

// The text the window shows, and the update command prints, when another
// run holds the installation's update lock.
inline constexpr const char* kAlreadyRunningText = "An update is already running.";

// The update button's run (Button1Click), also the update command's. Ignored
// while a run is already in progress in this process; ends at once, saying
// so, while another process holds kUpdateLockFile, which the run holds
// throughout. File and conversion errors, and a fetch that gives up, leave
// it as Errors for the application's error box.
RunReport RunUpdate(TransmitView& view, HttpClient& client);

// The Close/Cancel button (Button2Click). The run stops at its next step:
// nothing more is fetched or applied, and the window says so.
void CancelRun(TransmitView& view, HttpClient& client);

// The entries each applied day brought, read from the day files (the newest
// days are day files 7, 6, ... of each licence kind). days are YYYYMMDD,
// oldest first.
std::vector<DayArrival> CountArrivals(const std::vector<std::string>& days);

// What a run that applied days tells the user: each day and its entries.
std::string ArrivalSummary(const std::vector<DayArrival>& days);
// The same in one short line: "3 days arrived: 2,114 new entries".
std::string ArrivalHeadline(const std::vector<DayArrival>& days);

// The client's disconnected event: with the window hidden the program starts
// a fresh copy of itself and ends; otherwise the trace gets "1---".
void HandleDisconnected(TransmitView& view);

// Forwards the client's events to the window: progress line, trace lines and
// the disconnected handling.
class TransmitHttpEvents : public HttpEvents {
public:
    TransmitHttpEvents(TransmitView& view, HttpClient& client) : view_(view), client_(client) {}
    void OnStatus(HttpStatus status, const std::string& text) override;
    void OnWork(WorkMode mode, uint64_t count) override;
    void OnWorkEnd(WorkMode mode) override;
    void OnDisconnected() override;

private:
    TransmitView& view_;
    HttpClient& client_;
};

}  // namespace veltod
