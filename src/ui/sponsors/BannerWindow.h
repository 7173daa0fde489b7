#pragma once
// What the two sponsor banner windows share: one picture that changes on a
// timer, opens its link on a click and can be remembered from a pop-up menu.
// The rotation itself is the core's BannerRotation.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <string>

#include "core/sponsors/banner_rotation.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

class TBannerWindow : public TSkinWindow, public BannerView {
    Q_OBJECT
public:
    TBannerWindow(const QString& name, std::string list_file);

    // Show the next banner (the timer's handler).
    void TimerEvento();
    void Image1Click();
    void RememberLink1Click();

    const BannerRotation& Rotation() const { return rotation_; }

    TSkinImage* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* RememberLink1 = nullptr;

protected:
    void FormActivate() override;

    void MoveOffScreen() override;
    void SetTimerInterval(int32_t milliseconds) override;
    void ShowPicture(const std::string& path) override;

    std::string Resolution() const;

private:
    BannerRotation rotation_;
};

}  // namespace veltod
