// Reads any bytes as the connection settings file, writes what was read back
// and reads it again: the second read must give the same settings (a round
// trip keeps every setting), the written file must be five CR LF lines with
// no other line break or end-of-text byte, only the system's own errors
// escape and nothing is written outside the installation. The file knows two
// states of "Use Proxy": a fourth line that is neither word (which leaves the
// box as it is) comes back as unticked, the state of a box never ticked.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/update/connection_settings.h"
#include "scratch_tree.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool FiveLines(const std::string& bytes) {
    size_t lines = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x1A' || c == '\n') return false;
        if (c != '\r') continue;
        if (i + 1 == bytes.size() || bytes[i + 1] != '\n') return false;
        ++lines;
        ++i;
    }
    return lines == 5 && bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    tree.Reset();
    tree.Write("Recibi/proxy.con", std::string(reinterpret_cast<const char*>(data), size));
    try {
        const std::optional<veltod::ConnectionSettings> first = veltod::ReadConnectionSettings();
        if (!first) Broken("an existing file read as no file");
        veltod::ConnectionSettings expected = *first;
        if (expected.proxy_ticked == veltod::ProxyTick::LeaveAsIs) expected.proxy_ticked = veltod::ProxyTick::Unticked;
        veltod::WriteConnectionSettings(*first);
        if (!FiveLines(veltod::ReadWholeFile(veltod::kConnectionSettingsFile))) Broken("the file written is not five lines");
        const std::optional<veltod::ConnectionSettings> second = veltod::ReadConnectionSettings();
        if (!second || !(*second == expected)) Broken("a round trip changed the settings");
    } catch (const veltod::Error&) {
    }
    tree.CheckNothingEscaped();
    return 0;
}
