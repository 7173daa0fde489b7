#pragma once
// A scratch installation made once per fuzz process, nested two folders deep
// in its own temp folder beside an empty sentinel folder, so that a file the
// code under test places outside the installation is seen after the run:
//   <temp>/outer/inst/{bin,Resources,Recibi,Def}   (working directory bin/)
//   <temp>/outer/sentinel/
// Reset() empties the installation between runs so it never grows.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace veltod::fuzz {

class ScratchTree {
public:
    ScratchTree() {
        char pattern[] = "/tmp/veltod-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        temp_ = pattern;
        outer_ = temp_ / "outer";
        inst_ = outer_ / "inst";
        std::filesystem::create_directories(outer_ / "sentinel");
        for (const char* folder : kFolders) std::filesystem::create_directories(inst_ / folder);
        std::filesystem::current_path(inst_ / "bin");
    }
    ~ScratchTree() {
        std::error_code ignored;
        std::filesystem::current_path(temp_.parent_path(), ignored);
        std::filesystem::remove_all(temp_, ignored);
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    // Everything the last run wrote goes; the four folders stay (bin/ is the
    // working directory).
    void Reset() const {
        for (const auto& entry : std::filesystem::directory_iterator(inst_)) {
            if (IsFolder(entry.path().filename().string())) {
                for (const auto& inner : std::filesystem::directory_iterator(entry.path()))
                    std::filesystem::remove_all(inner.path());
            } else {
                std::filesystem::remove_all(entry.path());
            }
        }
    }

    // Aborts, naming the stray entry, when anything but the expected folders
    // exists outside the installation, or the working directory moved.
    void CheckNothingEscaped() const {
        for (auto it = std::filesystem::recursive_directory_iterator(temp_);
             it != std::filesystem::recursive_directory_iterator(); ++it) {
            const std::filesystem::path& path = it->path();
            if (path == inst_) {
                it.disable_recursion_pending();
                continue;
            }
            if (path == outer_ || path == outer_ / "sentinel") continue;
            std::fprintf(stderr, "invariant broken: file written outside the installation: %s\n", path.c_str());
            std::abort();
        }
        if (std::filesystem::current_path() != inst_ / "bin") {
            std::fprintf(stderr, "invariant broken: the working directory moved\n");
            std::abort();
        }
    }

    // Writes bytes exactly as given, relative to the installation root.
    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream out(inst_ / relative, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    // Every regular file below the installation root and its bytes.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(inst_)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().lexically_relative(inst_).string()] = {std::istreambuf_iterator<char>(in),
                                                                      std::istreambuf_iterator<char>()};
        }
        return files;
    }

private:
    static constexpr const char* kFolders[] = {"bin", "Resources", "Recibi", "Def"};
    static bool IsFolder(const std::string& name) {
        for (const char* folder : kFolders)
            if (name == folder) return true;
        return false;
    }

    std::filesystem::path temp_;
    std::filesystem::path outer_;
    std::filesystem::path inst_;
};

// An input cut at its first parts - 1 "|" bytes into at most parts pieces
// (the last takes the rest, "|" and all).
inline std::vector<std::string> SplitInput(const std::string& bytes, size_t parts) {
    std::vector<std::string> pieces;
    size_t at = 0;
    while (pieces.size() + 1 < parts) {
        const size_t bar = bytes.find('|', at);
        if (bar == std::string::npos) break;
        pieces.push_back(bytes.substr(at, bar - at));
        at = bar + 1;
    }
    pieces.push_back(bytes.substr(at));
    return pieces;
}

}  // namespace veltod::fuzz
