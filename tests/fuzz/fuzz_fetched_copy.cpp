// Takes any bytes as the raw copy of a fetched file and checks it in text
// mode, in binary mode and in an unknown mode, over a target that exists or
// not (the first byte's low bit). Only the system's own errors escape; no
// raw copy or rewrite file is left behind; nothing is written outside the
// installation; "mal" leaves the target exactly as it was; "bien" leaves in a
// text target the lines between the first begin marker and the next end
// marker, CR LF ended, and in a package target the raw copy itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/errors.h"
#include "core/update/file_fetch.h"
#include "scratch_tree.h"

namespace {

using Files = std::map<std::string, std::string>;

[[noreturn]] void Broken(const char* what, const std::string& mode) {
    std::fprintf(stderr, "invariant broken: %s (mode %s)\n", what, mode.c_str());
    std::abort();
}

// The lines as the record files split them: CR LF, CR or LF ends a line,
// 0x1A ends the text, and a non-empty rest is a last line.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// What a complete text copy becomes, or nothing when the markers are missing.
std::optional<std::string> TextContent(const std::string& raw) {
    const std::vector<std::string> lines = Lines(raw);
    size_t at = 0;
    while (at < lines.size() && lines[at].rfind("comensando", 0) != 0) ++at;
    if (at == lines.size()) return std::nullopt;
    std::string content;
    for (++at; at < lines.size(); ++at) {
        if (lines[at].rfind("terminando", 0) == 0) return content;
        content += lines[at] + "\r\n";
    }
    return std::nullopt;
}

void CheckOne(const veltod::fuzz::ScratchTree& tree, const std::string& raw, bool old_target,
              const std::string& relative, const std::string& mode) {
    const std::string target = "../" + relative;
    tree.Reset();
    if (old_target) tree.Write(relative, "old content\r\n");
    tree.Write(relative + "Q", raw);
    Files before = tree.Snapshot();
    before.erase(relative + "Q");

    std::string status;
    try {
        status = veltod::CheckFetchedFile(target, mode);
    } catch (const veltod::Error&) {
        status = "error";
    }
    tree.CheckNothingEscaped();
    Files after = tree.Snapshot();
    if (after.count(relative + "Q") || after.count(relative + "P")) Broken("a temporary file was left behind", mode);

    if (status == "mal" || status == "error") {
        if (after != before) Broken("a refused copy changed the installation", mode);
    } else if (status != "bien") {
        Broken("an unknown status", mode);
    }
    const bool text = mode == veltod::kTextMode, binary = mode == veltod::kBinaryMode;
    const std::optional<std::string> expected =
        text ? TextContent(raw) : binary && raw.compare(0, 3, "MZP") == 0 ? std::optional(raw) : std::nullopt;
    if (status == "error") return;
    if ((status == "bien") != expected.has_value()) Broken("the copy was judged wrongly", mode);
    if (status != "bien") return;
    if (after[relative] != *expected) Broken("the target does not hold what the copy carried", mode);
    after.erase(relative);
    before.erase(relative);
    if (after != before) Broken("a good copy changed another file", mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    if (size == 0) return 0;
    const bool old_target = (data[0] & 1) != 0;
    const std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckOne(tree, raw, old_target, "Recibi/listado.txt", veltod::kTextMode);
    CheckOne(tree, raw, old_target, "Recibi/20261208.exe", veltod::kBinaryMode);
    CheckOne(tree, raw, old_target, "Recibi/espejos.txt", "text");
    return 0;
}
