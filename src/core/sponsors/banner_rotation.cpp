#include "core/sponsors/banner_rotation.h"

#include <exception>
#include <limits>

#include "core/platform/convert.h"
#include "core/platform/file_io.h"
#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/sponsors/links_memory.h"

namespace veltod {

BannerRotation::BannerRotation(BannerView& view, std::string list_path)
    : view_(view), list_path_(std::move(list_path)) {}

void BannerRotation::FirstActivation() {
    if (activated_ == kStoppedMark) return;
    activated_ = kStoppedMark;
    stopped_ = 0;
    ReadRecordFile(list_path_, banners_);
    view_.PlaceAtFirstActivation();
    current_ = -1;
    Tick();
}

void BannerRotation::Advance() {
    const int64_t highest = static_cast<int64_t>(banners_.RowCount()) - 1;
    if (current_ < highest) ++current_;
    if (current_ == highest) current_ = 0;
}

void BannerRotation::Stop() {
    stopped_ = kStoppedMark;
    view_.MoveOffScreen();
}

bool BannerRotation::Tick() {
    skipped_ = 0;
    const int64_t count = static_cast<int64_t>(banners_.RowCount());
    if (count == 0) Stop();
    Advance();
    // Each pass either leaves or counts one more missing picture, and the
    // count stops the loop once it reaches the record count.
    while (stopped_ != kStoppedMark) {
        if (FileExists(PicturePath(static_cast<size_t>(current_)))) break;
        ++skipped_;
        if (skipped_ == count) Stop();
        Advance();
    }
    if (stopped_ == kStoppedMark) return false;

    const auto row = static_cast<size_t>(current_);
    view_.SetTimerInterval(DisplayTime(row));
    view_.ShowPicture(PicturePath(row));
    return true;
}

int32_t BannerRotation::DisplayTime(size_t row) const {
    // A list too narrow to hold a display time shows each banner one unit.
    if (banners_.Width() <= kBannerUnits) return kBannerTimeUnit;
    const int64_t units = StrToInt(banners_.Field(row, kBannerUnits));
    // A time of zero or less would make the timer fire without pause; a huge
    // one cannot be held in milliseconds. Both are brought into range.
    if (units < 1) return kBannerTimeUnit;
    const int64_t milliseconds = units * kBannerTimeUnit;
    return milliseconds > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                              : static_cast<int32_t>(milliseconds);
}

bool BannerRotation::HasCurrent() const {
    return current_ >= 0 && static_cast<size_t>(current_) < banners_.RowCount();
}

std::string BannerRotation::PicturePath(size_t row) const {
    return kDefFolder + banners_.FieldString(row, kBannerPicture);
}

std::string BannerRotation::CurrentPicturePath() const {
    return HasCurrent() ? PicturePath(static_cast<size_t>(current_)) : std::string();
}

std::string BannerRotation::CurrentLink() const {
    return HasCurrent() ? banners_.FieldString(static_cast<size_t>(current_), kBannerLink) : std::string();
}

bool BannerRotation::OpenCurrent() const {
    if (!HasCurrent()) return false;
    TheShell().Open(CurrentLink());
    return true;
}

bool BannerRotation::RememberCurrent(const std::string& book_path) const {
    if (!HasCurrent()) return false;
    const auto row = static_cast<size_t>(current_);
    AppendRememberedLink(book_path, banners_.Field(row, kBannerLink), banners_.Field(row, kBannerTitle));
    return true;
}

std::string FirstBannerPicture(const std::string& list_path) {
    // The rotation itself decides, with a view that only notes the picture.
    class PictureNote : public BannerView {
    public:
        void PlaceAtFirstActivation() override {}
        void MoveOffScreen() override {}
        void SetTimerInterval(int32_t) override {}
        void ShowPicture(const std::string& path) override { picture = path; }
        std::string picture;
    } note;
    BannerRotation rotation(note, list_path);
    try {
        rotation.FirstActivation();
    } catch (const std::exception&) {
        // The window's own activation meets the same fault and reports it.
    }
    return note.picture;
}

}  // namespace veltod
