// The package runner: `veltod-unpack [--verbose] PACKAGE`, started with the program's
// folder as its working directory. It checks the package's signature against
// the public key installed beside it (veltod.pub) and every member's name
// before it writes anything, then writes each file atomically into the
// working directory. Any refusal exits with status 1 and says why. It is
// silent otherwise: the program starts it, and its output would reach the
// desktop's log; --verbose lists the files written.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/apply/package_format.h"
#include "core/platform/file_io.h"

int main(int argc, char** argv) {
    const bool verbose = argc == 3 && std::string(argv[1]) == "--verbose";
    if (argc != 2 && !verbose) {
        std::fprintf(stderr, "usage: veltod-unpack [--verbose] PACKAGE\n");
        return 2;
    }
    const char* package_path = argv[argc - 1];
    try {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        const std::string key_path = (error ? std::filesystem::path(".") : self.parent_path()).string() + "/veltod.pub";
        const std::string key = veltod::ReadKeyFile(key_path, veltod::kPublicKeySize);
        const std::string package = veltod::ReadWholeFile(package_path);
        for (const auto& name : veltod::UnpackPackage(package, key, "."))
            if (verbose) std::printf("%s\n", name.c_str());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "veltod-unpack: %s: %s\n", package_path, failure.what());
        return 1;
    }
    return 0;
}
