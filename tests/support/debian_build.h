#pragma once
// The Debian packages of this build, made by CPack from the build's own
// configuration: veltod (the program) and veltod-mirror (the service); and
// the bytes of the files in the trees they make.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/real_screen.h"

namespace veltod::test {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces a file's bytes in place, so it keeps its owner.
inline void Overwrite(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

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
