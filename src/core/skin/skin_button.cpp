#include "core/skin/skin_button.h"

namespace veltod {

void SkinButton::SetSkin(const SkinFamily& family, std::string normal, std::string hovered, std::string pressed) {
    family_ = family;
    normal_ = std::move(normal);
    hovered_ = std::move(hovered);
    pressed_ = std::move(pressed);
}

// Each state is set right after its own picture has loaded, so a picture
// that fails to load leaves that button's state as it was.
void SkinButton::Reset() {
    if (!IsNormal()) LoadPicture(normal_);
    state_ = family_.normal_state;
}

void SkinButton::Hover() {
    if (IsHovered()) return;
    LoadPicture(hovered_);
    state_ = family_.hovered_state;
}

void HoverGroup(std::span<SkinButton* const> group, size_t hovered) {
    if (hovered >= group.size() || group[hovered]->IsHovered()) return;
    group[hovered]->Hover();
    for (size_t i = 0; i < group.size(); ++i)
        if (i != hovered) group[i]->Reset();
}

void ResetSkinButtons(std::span<SkinButton* const> buttons) {
    for (SkinButton* button : buttons) button->Reset();
}

void CloseButtonMove(SkinButton& button, SkinButton* partner) {
    button.Hover();
    if (partner) partner->Reset();
}

void CloseButtonDown(SkinButton& button) { button.LoadPicture(button.PressedPicture()); }

void CloseButtonUp(SkinButton& button) {
    button.LoadPicture(button.NormalPicture());
    button.SetSkinState(button.Family().normal_state);
}

}  // namespace veltod
