#pragma once
// A scratch installation tree (bin/, Resources/, Recibi/, Def/) for one test,
// with the working directory moved into its bin/ as the program does, and
// everything put back and removed afterwards.
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace veltod::test {

// A file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes bytes exactly as given (no line-end conversion), in place, so an
// existing file keeps its owner.
inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class ScratchInstallation {
public:
    ScratchInstallation() {
        char pattern[] = "/tmp/veltod-test-XXXXXX";
        root_ = ::mkdtemp(pattern);
        for (const char* folder : {"bin", "Resources", "Recibi", "Def"})
            std::filesystem::create_directories(root_ / folder);
        saved_ = std::filesystem::current_path();
        std::filesystem::current_path(root_ / "bin");
    }
    ~ScratchInstallation() {
        std::filesystem::current_path(saved_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchInstallation(const ScratchInstallation&) = delete;
    ScratchInstallation& operator=(const ScratchInstallation&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return (root_ / relative).string(); }

    void Write(const std::string& relative, const std::string& bytes) const { WriteBytes(root_ / relative, bytes); }
    std::string Read(const std::string& relative) const { return ReadBytes(root_ / relative); }

private:
    std::filesystem::path root_;
    std::filesystem::path saved_;
};

}  // namespace veltod::test
