#pragma once
// Picture buttons of the skin: each keeps a short state word that says which
// picture it shows, and swaps pictures on mouse move, down and up. Pictures
// are read from their files at every swap; the control that shows them
// implements LoadPicture.
#include <span>
#include <string>

namespace veltod {

// The state words of one family of buttons.
struct SkinFamily {
    std::string normal_state;
    std::string hovered_state;
};

inline const SkinFamily kNavigationFamily{"ABAJO", "ARRIBA"};
inline const SkinFamily kCloseFamily{"abajo", "arriba"};
inline const SkinFamily kDetailsFamily{"arriba", "undido"};

class SkinButton {
public:
    virtual ~SkinButton() = default;

    // Shows the picture in the file; raises an error when it cannot be read,
    // leaving the previous picture in place.
    virtual void LoadPicture(const std::string& path) = 0;

    void SetSkin(const SkinFamily& family, std::string normal, std::string hovered, std::string pressed = {});

    const std::string& SkinState() const { return state_; }
    void SetSkinState(std::string state) { state_ = std::move(state); }
    const SkinFamily& Family() const { return family_; }
    const std::string& NormalPicture() const { return normal_; }
    const std::string& HoveredPicture() const { return hovered_; }
    const std::string& PressedPicture() const { return pressed_; }

    bool IsNormal() const { return state_ == family_.normal_state; }
    bool IsHovered() const { return state_ == family_.hovered_state; }

    // Normal picture (unless already normal) and normal state.
    void Reset();
    // Hovered picture (unless already hovered) and hovered state.
    void Hover();

private:
    SkinFamily family_;
    std::string state_;
    std::string normal_;
    std::string hovered_;
    std::string pressed_;
};

// The mouse moves over group[hovered]: at most one button of the group shows
// its hovered picture; moving straight from one to another swaps both.
void HoverGroup(std::span<SkinButton* const> group, size_t hovered);

// The mouse moves over a reset source: every covered button returns to normal.
void ResetSkinButtons(std::span<SkinButton* const> buttons);

// Close and minimise buttons. partner is the other of the two on the main
// window (reset when this one is hovered), or nullptr.
void CloseButtonMove(SkinButton& button, SkinButton* partner);
void CloseButtonDown(SkinButton& button);
void CloseButtonUp(SkinButton& button);

}  // namespace veltod
