#pragma once
// The installation the apply tests start from, laid out anew below a root.
#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"

namespace veltod::test {

// A 14-field entry of category whose name and addresses follow its id.
inline std::vector<std::string> ApplyEntry(const std::string& category, const std::string& id) {
    return {"Prog" + id, "http://d/" + id, "1.0", "12", "a", "http://i", "b", "Text", "3", category, id, "", "x", "n"};
}

// Empties root and lays out bin/ (the package runner and the public key),
// Resources/ (empty lists of every kind, the category "Games" (5) and its
// history list holding entries 20 and 52), Recibi/ and Def/; the working
// directory becomes root/bin, as the program's is.
inline void PrepareApplyTree(const std::filesystem::path& root, const std::string& runner,
                             const std::string& public_key) {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    for (const char* folder : {"bin", "Resources", "Recibi", "Def"}) std::filesystem::create_directories(root / folder);
    std::filesystem::copy_file(runner, root / "bin/veltod-unpack");
    WriteKeyFile((root / "bin/veltod.pub").string(), public_key);
    std::filesystem::current_path(root / "bin");
    SetPackageRunnerPath((root / "bin/veltod-unpack").string());
    for (const char* kind : {"1", "2", "3"}) WriteRecordFile(std::string("../Resources/0.") + kind + "cat", 14, {});
    WriteRecordFile("../Resources/0.cat", 14, {});
    WriteRecordFile("../Resources/Categ.txt", 4, {{"5", "0", "0", "Games"}});
    WriteRecordFile("../Resources/5.1cat", 14, {ApplyEntry("5", "20"), ApplyEntry("5", "52")});
}

}  // namespace veltod::test
