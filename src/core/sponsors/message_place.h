#pragma once
// Where the message window stands: just left of the main window, or, when
// that would leave the screen, at the left edge below the main window.
#include <cstdint>

namespace veltod {

struct WindowPlace {
    int left = 0;
    int top = 0;
};

// layout_left/layout_top: the layout table's values for "FormMensaje".
WindowPlace MessageWindowPlace(int16_t layout_left, int16_t layout_top, int main_width, int main_height,
                               int own_width);

}  // namespace veltod
