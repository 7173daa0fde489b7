#pragma once
// Copies the skin pictures that the build drew, and the banner lists that name
// the banner pictures, into a scratch installation, so window tests load the
// real files and may delete some of them.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/temp_dir.h"

namespace veltod::test {

inline void CopySkin(const ScratchInstallation& installation) {
    const char* stage = std::getenv("VELTOD_STAGE");
    if (!stage) throw std::runtime_error("VELTOD_STAGE is not set");
    int copied = 0;
    for (const char* folder : {"Resources", "Def"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(stage) / folder)) {
            const auto extension = entry.path().extension();
            if (extension != ".gif" && extension != ".ban") continue;
            std::filesystem::copy_file(entry.path(), installation.Root() / folder / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
            ++copied;
        }
    }
    if (copied == 0) throw std::runtime_error("no skin pictures in the staged installation");
}

}  // namespace veltod::test
