// The package runner: `veltod-unpack PACKAGE`, started with the program's
// folder as its working directory. It checks the package's signature against
// the public key installed beside it (veltod.pub) and every member's name
// before it writes anything, then writes each file atomically into the
// working directory. Any refusal exits with status 1 and says why.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "apply/package_format.h"
#include "platform/file_io.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltod-unpack PACKAGE\n");
        return 2;
    }
    try {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        const std::string key_path = (error ? std::filesystem::path(".") : self.parent_path()).string() + "/veltod.pub";
        const std::string key = veltod::ReadKeyFile(key_path, veltod::kPublicKeySize);
        const std::string package = veltod::ReadWholeFile(argv[1]);
        for (const auto& name : veltod::UnpackPackage(package, key, "."))
            std::printf("%s\n", name.c_str());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "veltod-unpack: %s: %s\n", argv[1], failure.what());
        return 1;
    }
    return 0;
}
