#pragma once
// The sponsor banner rotation behind each banner window: the list read from
// its ".ban" file (its pictures are named within kDefFolder), which banner
// shows next, how long it stays, and when the window gives up. The window only
// moves itself, runs its timer and draws.
#include <cstdint>
#include <string>

#include "core/records/record_table.h"

namespace veltod {

// Milliseconds per unit of a banner's display time.
inline constexpr int32_t kBannerTimeUnit = 20000;
// Where a banner window waits off the screen.
inline constexpr int kBannerOffScreenLeft = -1000;

// Banner list fields.
enum BannerField : size_t {
    kBannerPicture = 0,
    kBannerLink = 1,
    kBannerTitle = 2,
    kBannerUnits = 4,
};

// What the rotation asks of its window.
class BannerView {
public:
    virtual ~BannerView() = default;
    // Sets the window's place from the layout table at the first activation.
    virtual void PlaceAtFirstActivation() = 0;
    virtual void MoveOffScreen() = 0;
    virtual void SetTimerInterval(int32_t milliseconds) = 0;
    // Loads the picture into the window and sizes the window to it; raises
    // when the picture cannot be decoded.
    virtual void ShowPicture(const std::string& path) = 0;
};

class BannerRotation {
public:
    BannerRotation(BannerView& view, std::string list_path);

    // The first activation: runs once, even when reading the list fails (the
    // list then stays empty and the next tick stops the window).
    void FirstActivation();

    // Shows the next banner whose picture exists and sets the time until the
    // next tick from its display time. Returns true when a picture was shown.
    bool Tick();

    // Index rule shared by every advance: count up to the highest index, and
    // wrap to 0 on reaching it.
    void Advance();

    // Hands the current banner's link to the shell; false when there is none.
    bool OpenCurrent() const;
    // Appends the current banner's link and title to the links memory book at
    // book_path; false when there is no current banner.
    bool RememberCurrent(const std::string& book_path) const;

    // Display time of a record in milliseconds (raises ConvertError when its
    // field is not a whole number).
    int32_t DisplayTime(size_t row) const;

    bool HasCurrent() const;
    std::string CurrentPicturePath() const;
    std::string CurrentLink() const;

    const RecordTable& Banners() const { return banners_; }
    int32_t CurrentIndex() const { return current_; }
    int32_t SkippedCount() const { return skipped_; }
    bool Stopped() const { return stopped_ == kStoppedMark; }
    bool Activated() const { return activated_ == kStoppedMark; }
    void SetCurrentIndex(int32_t index) { current_ = index; }

private:
    static constexpr int16_t kStoppedMark = 9999;

    void Stop();
    std::string PicturePath(size_t row) const;

    BannerView& view_;
    std::string list_path_;
    RecordTable banners_;
    // Held in 32 bits so that a list longer than 32767 records cannot wrap them.
    int32_t current_ = -1;
    int32_t skipped_ = 0;
    int16_t stopped_ = 0;
    int16_t activated_ = 0;
};

// The picture the first activation of a rotation over list_path shows, so
// that the start can decode it ahead; empty when it would show none.
std::string FirstBannerPicture(const std::string& list_path);

}  // namespace veltod
