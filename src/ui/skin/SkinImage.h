#pragma once
// The skin's picture control: a label that shows a GIF read from its file at
// every load and sizes itself to it, and reports mouse moves, presses,
// releases and clicks to the window that owns it.
#include <QLabel>
#include <functional>
#include <string>

#include "core/platform/file_io.h"
#include "core/skin/skin_button.h"

namespace veltod {

class TSkinImage : public QLabel {
    Q_OBJECT
public:
    explicit TSkinImage(QWidget* parent, const QString& name);

    // Reads the picture from the file now and takes its size. A missing or
    // unreadable file raises FileError and leaves picture and size unchanged.
    void LoadPicture(const std::string& path);
    // The file last loaded, for tests and for reloading.
    const std::string& PictureFile() const { return picture_file_; }
    int LoadCount() const { return load_count_; }

    std::function<void()> OnMouseMove;
    std::function<void(Qt::MouseButton)> OnMouseDown;
    std::function<void(Qt::MouseButton)> OnMouseUp;
    std::function<void()> OnClick;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::string picture_file_;
    std::optional<FileStamp> picture_stamp_;
    int load_count_ = 0;
    bool left_pressed_ = false;
};

// A picture button: a picture control that keeps its skin state word.
class TSkinButton : public TSkinImage, public SkinButton {
    Q_OBJECT
public:
    TSkinButton(QWidget* parent, const QString& name) : TSkinImage(parent, name) {}
    void LoadPicture(const std::string& path) override { TSkinImage::LoadPicture(path); }
};

// Close and minimise buttons: hover, pressed and normal pictures on move,
// down and up; the action runs on a click (press and release on the button).
class TSkinCloseButton : public TSkinButton {
    Q_OBJECT
public:
    enum class Kind { Close, Minimise };
    TSkinCloseButton(QWidget* parent, const QString& name, Kind kind, std::function<void()> action);
    // The other of a close/minimise pair, reset when this one is hovered.
    void SetPartner(TSkinCloseButton* partner) { partner_ = partner; }

protected:
    // The list windows' close buttons have no background beside them whose
    // mouse moves would reset them: leaving the button does.
    void leaveEvent(QEvent* event) override;

private:
    TSkinCloseButton* partner_ = nullptr;
};

// The picture files of the skin, as the program opens them.
std::string ResourcePicture(const std::string& name);

// The key of a decoded picture in the cache every picture control reads
// from. The same pictures come back on every page and every Today; a file
// replaced by an update has another stamp, so it is decoded afresh.
QString PictureCacheKey(const std::string& path, const FileStamp& stamp);

}  // namespace veltod
