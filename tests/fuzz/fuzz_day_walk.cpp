// Walks any day index "dias.lst" with any server date, last update date and
// recorded last applied day, split from the input at its first three '|':
//   server date | last update date | actualizado.fij bytes | dias.lst bytes
// (a part left out is a file that does not exist). The walk must end: every
// day it applies is a listed day later than the one before, so it applies at
// most as many days as the index lists. Only the system's own errors escape
// and nothing is written outside the installation.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/apply/received_files.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "scratch_tree.h"

namespace {

class Owner : public veltod::ApplyOwner {
public:
    void RequestEnd() override { std::abort(); }
};

// The loop of ApplyDayRange, with the bound it must keep.
void Walk(veltod::ApplyOwner& owner, const std::string& server, const std::string& last,
          const std::set<std::string>& listed) {
    int64_t previous = veltod::StrToInt(last);
    size_t applied = 0;
    std::string current = veltod::NextDay(server, "0", last);
    while (current != "terminado" && current != "error") {
        if (listed.count(current) == 0) {
            std::fprintf(stderr, "invariant broken: walk returned an unlisted day '%s'\n", current.c_str());
            std::abort();
        }
        const int64_t day = veltod::StrToInt(current);
        if (day <= previous || ++applied > listed.size()) {
            std::fprintf(stderr, "invariant broken: walk did not move forward: '%s' after %lld\n", current.c_str(),
                         static_cast<long long>(previous));
            std::abort();
        }
        previous = day;
        veltod::ApplyDay(owner, current);
        current = veltod::NextDay("0", server, current);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    static Owner owner;
    const std::vector<std::string> parts = veltod::fuzz::SplitInput(std::string(reinterpret_cast<const char*>(data), size), 4);
    if (parts.size() < 2) return 0;
    const std::string& server = parts[0];
    const std::string& last = parts[1];

    // The days as the walk reads the index: its first line is a count the
    // walk does not look at, so a count that is blank or not "1" still lists
    // every day below it.
    std::set<std::string> listed;
    if (parts.size() > 3) {
        try {
            for (const auto& day : veltod::DayIndexDays(parts[3], "dias.lst")) listed.insert(day);
        } catch (const veltod::PackageError&) {
        }
    }
    const auto lay_out = [&] {
        tree.Reset();
        veltod::TheApplyState() = veltod::ApplyState{};
        if (parts.size() > 2) tree.Write("Resources/actualizado.fij", parts[2]);
        if (parts.size() > 3) tree.Write("bin/dias.lst", parts[3]);
    };

    lay_out();
    try {
        veltod::StrToInt(server);
        Walk(owner, server, last, listed);
    } catch (const veltod::Error&) {
    }
    tree.CheckNothingEscaped();

    lay_out();
    try {
        veltod::ApplyDayRange(owner, server, last);
    } catch (const veltod::Error&) {
    }
    tree.CheckNothingEscaped();
    return 0;
}
