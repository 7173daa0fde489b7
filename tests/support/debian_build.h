#pragma once
// The Debian packages of this build, made by CPack from the build's own
// configuration: veltod (the program) and veltod-mirror (the service).
#include <filesystem>
#include <map>
#include <string>

#include "support/real_screen.h"
#include "support/temp_dir.h"

namespace veltod::test {

// Package name -> .deb file, in out; log gets CPack's output.
inline std::map<std::string, std::filesystem::path> BuildDebianPackages(const std::filesystem::path& stage,
                                                                        const std::filesystem::path& out,
                                                                        std::string& log) {
    namespace fs = std::filesystem;
    log = Shell("cpack -G DEB --config " + (stage.parent_path() / "CPackConfig.cmake").string() + " -B " + out.string() +
                " 2>&1");
    std::map<std::string, fs::path> packages;
    if (fs::exists(out))
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.path().extension() == ".deb") {
                const std::string name = entry.path().filename().string();
                packages[name.substr(0, name.find('_'))] = entry.path();
            }
    return packages;
}

}  // namespace veltod::test
