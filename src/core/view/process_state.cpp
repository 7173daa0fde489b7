#include "core/view/process_state.h"

namespace veltod {

ProcessState& State() {
    static ProcessState state;
    return state;
}

}  // namespace veltod
