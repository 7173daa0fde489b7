#pragma once
// Update scripts: small command files that a package unpacks beside the
// day's lists to reorganise the local catalogue (add, rename, move and remove
// categories, move or remove single entries, set the notification address).
#include <string>

namespace veltod {

// Runs kBinFolder + script_name (a DayScriptName). Commands run in
// reverse file order. The script takes effect whole or not at all: a file or
// conversion error changes nothing, so the script can simply run again later.
// Its changes are first written to a journal, so a script stopped while its
// files are being replaced, or the same script delivered again before its
// day was recorded as applied, is finished from the journal instead of being
// run a second time.
void RunUpdateScript(const std::string& script_name);

// The journal protects one application of its day only: once that day (or a
// later one) is recorded as applied it is removed, and a journal of a day
// not after last_applied_day is removed without being replayed. A journal
// that cannot be read is removed too.
void DropScriptJournal(const std::string& last_applied_day);

}  // namespace veltod
