#pragma once
// Fetching one file from the mirrors: the file is downloaded from the
// current mirror into a raw copy beside the target, checked for completeness
// and only then put in place; a failed or incomplete attempt moves on to the
// next mirror. Text files arrive wrapped in a line beginning "comensando" and
// a line beginning "terminando"; packages begin with the bytes "MZP".
#include <cstdint>
#include <string>

#include "core/net/http_client.h"
#include "core/records/record_table.h"
#include "core/update/transmit_view.h"

namespace veltod {

// The trace line that begins each attempt: this, the address, " / a: " and
// the local path.
inline constexpr const char* kFetchTrace = "Por traer: ";
inline constexpr const char* kFetchTraceTarget = " / a: ";

inline constexpr const char* kTextMode = "texto";
inline constexpr const char* kBinaryMode = "binario";

// What a fetched text list must be to replace the installed one: at most
// max_bytes long (the HTTP body), signed with the key in key_file (when one
// is named), not expired on the day today (YYYYMMDD, when one is named), and
// a sound record file of at least min_fields fields and min_rows records
// whose every row passes row_ok. A copy that is not is a bad copy: the next
// mirror is asked.
struct TextListRules {
    uint64_t max_bytes = 0;
    size_t min_fields = 1;
    size_t min_rows = 0;
    bool (*row_ok)(const RecordTable& table, size_t row) = nullptr;
    std::string key_file;
    std::string today;
};

// What the check of a raw copy found beyond good or bad.
struct CopyFindings {
    std::string reason;      // why a bad copy was bad
    std::string expired_on;  // the expiry day of a list refused as expired
    bool without_expiry = false;  // a text list that names no expiry
};

// Copies the proxy fields into the client's request when "Use Proxy" is
// ticked (a port that is not a number is 80), and clears them when it is not.
void CopyProxySettings(const TransmitView& view, HttpClient& client);

// Fetches base + remote into target from the mirrors of
// TheUpdateState().MirrorList, starting at MirrorIndex, and returns "ok" once
// a complete copy is in place. After each round over the whole list it
// pauses (processing window events, so Cancel works), and after
// TheUpdateSettings().MaxMirrorRounds rounds it gives up with a
// NetworkError naming the mirrors whose lists had expired, and on which
// day; target is then as it was. An empty mirror list or an unknown
// mode is an Error before anything is fetched. Text lists may name rules
// their copies must pass.
std::string FetchFile(TransmitView& view, HttpClient& client, const std::string& target, const std::string& remote,
                      const std::string& mode, const TextListRules* rules = nullptr);

// Checks the raw copy target + "Q": "bien" when it was complete (and, for a
// text list with rules, passes them) and is now the target, "mal" when it
// was not (target untouched), with what was wrong in findings. A text list
// without an expiry is taken as good today. The raw copy is gone afterwards
// in every case.
std::string CheckFetchedFile(const std::string& target, const std::string& mode, const TextListRules* rules = nullptr,
                             CopyFindings* findings = nullptr);

// The next row of the mirror list, back to row 0 after the last.
void AdvanceMirror();

// The progress line: bytes so far and the expected length in whole
// thousands, "12Kb/20Kb"; a value below 1000 shows as nothing ("Kb/Kb").
std::string ProgressText(uint64_t count, uint64_t length);

}  // namespace veltod
