// Runs any bytes as a day's update script over a small fixed catalogue (a
// category list, category lists, a history list, a delivered list and the
// settings file). Only the system's own errors escape; nothing is written
// outside the installation; a script that fails changes nothing; and a script
// that succeeded, delivered again, is not run a second time.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/update_script.h"
#include "core/platform/errors.h"
#include "core/records/record_file.h"
#include "scratch_tree.h"

namespace {

using Files = std::map<std::string, std::string>;

std::string Records(int fields, const std::vector<std::vector<std::string>>& records) {
    std::string bytes = std::to_string(fields) + "\r\n";
    for (const auto& record : records) bytes += veltod::EncodeRecord(record);
    return bytes;
}

std::vector<std::string> Entry(const std::string& category, const std::string& id) {
    return {"Prog" + id, "http://d/" + id, "1.0", "12", "a", "http://i", "b", "Text", "3", category, id, "", "x", "n"};
}

void LayOut(const veltod::fuzz::ScratchTree& tree, const std::string& script) {
    tree.Reset();
    veltod::TheApplyState() = veltod::ApplyState{};
    tree.Write("Resources/Categ.txt",
               Records(4, {{"1", "0", "0", "Internet"}, {"7", "1", "1", "Browsers"}, {"8", "1", "1", "E-mail"}}));
    tree.Write("Resources/0.cat", "14\r\n");
    tree.Write("Resources/7.cat", Records(14, {Entry("7", "100"), Entry("7", "101"), Entry("7", "100")}));
    tree.Write("Resources/8.cat", Records(14, {Entry("8", "200")}));
    tree.Write("Resources/7.1cat", Records(14, {Entry("7", "7100"), Entry("7", "7102")}));
    tree.Write("bin/9.newcat", Records(14, {Entry("9", "300")}));
    tree.Write("Recibi/proxy.con", "0\r\nproxy\r\n8080\r\n\r\nold@example.org\r\n");
    tree.Write("bin/20261208.cam", script);
}

void Differ(const char* what, const Files& expected, const Files& found) {
    for (const auto& [path, bytes] : found) {
        const auto it = expected.find(path);
        if (it == expected.end() || it->second != bytes) std::fprintf(stderr, "invariant broken: %s: %s changed\n", what, path.c_str());
    }
    for (const auto& [path, bytes] : expected)
        if (found.count(path) == 0) std::fprintf(stderr, "invariant broken: %s: %s gone\n", what, path.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    const std::string script(reinterpret_cast<const char*>(data), size);
    LayOut(tree, script);
    const Files before = tree.Snapshot();
    try {
        veltod::RunUpdateScript("20261208.cam");
    } catch (const veltod::Error&) {
        tree.CheckNothingEscaped();
        const Files after = tree.Snapshot();
        if (after != before) Differ("failed script", before, after);
        return 0;
    }
    tree.CheckNothingEscaped();
    const Files applied = tree.Snapshot();
    veltod::RunUpdateScript("20261208.cam");
    const Files again = tree.Snapshot();
    if (again != applied) Differ("script run twice", applied, again);
    return 0;
}
