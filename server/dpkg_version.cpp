#include "server/dpkg_version.h"

#include <apt-pkg/debversion.h>

namespace veltod {

int CompareDebianVersions(std::string_view a, std::string_view b) {
    return debVS.DoCmpVersion(a.data(), a.data() + a.size(), b.data(), b.data() + b.size());
}

}  // namespace veltod
