// Unpacks any bytes as the text bundle "nuevo.lst" in a scratch installation:
// only the system's own errors may escape, and no file may appear outside the
// installation, whatever names and folder prefixes the members give.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/apply/received_files.h"
#include "core/platform/errors.h"
#include "scratch_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    tree.Reset();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    tree.Write("bin/nuevo.lst", bytes);
    try {
        veltod::UnpackTextBundle("../bin/nuevo.lst");
    } catch (const veltod::Error&) {
    }
    tree.CheckNothingEscaped();
    return 0;
}
