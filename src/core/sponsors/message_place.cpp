#include "core/sponsors/message_place.h"

namespace veltod {

WindowPlace MessageWindowPlace(int16_t layout_left, int16_t layout_top, int main_width, int main_height,
                               int own_width) {
    WindowPlace place{layout_left - main_width - own_width, layout_top + 12};
    if (place.left < 0) place = {0, main_height + 3};
    return place;
}

}  // namespace veltod
