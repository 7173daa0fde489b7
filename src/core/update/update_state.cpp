#include "core/update/update_state.h"

namespace veltod {

UpdateState& TheUpdateState() {
    static UpdateState state;
    return state;
}

std::vector<std::string> DefaultProbeSites() {
    // Each answers its home page over plain HTTP without sending the client
    // on to HTTPS, which the client does not speak.
    return {"http://captive.apple.com/", "http://neverssl.com/", "http://example.com/", "http://info.cern.ch/"};
}

UpdateSettings& TheUpdateSettings() {
    static UpdateSettings settings;
    return settings;
}

}  // namespace veltod
