#include "ui/skin/SkinImage.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QPixmapCache>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "ui/skin/Pressable.h"

namespace veltod {

std::string ResourcePicture(const std::string& name) { return kResourcesFolder + name; }

QString PictureCacheKey(const std::string& path, const FileStamp& stamp) {
    // Built in one pass: a page looks up a key for every row picture.
    return QString::fromStdString(path + '|' + std::to_string(stamp.device) + '|' + std::to_string(stamp.inode) + '|' +
                                  std::to_string(stamp.size) + '|' + std::to_string(stamp.seconds) + '.' +
                                  std::to_string(stamp.nanoseconds));
}

TSkinImage::TSkinImage(QWidget* parent, const QString& name) : QLabel(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void TSkinImage::LoadPicture(const std::string& path) {
    const std::optional<FileStamp> stamp = StampOfFile(path);
    if (!stamp) throw FileError("Cannot load the picture \"" + path + "\": File not found");
    // A page shown again puts the same pictures into the same controls.
    if (path == picture_file_ && stamp == picture_stamp_) {
        resize(pixmap().size());
        ++load_count_;
        return;
    }
    const QString key = PictureCacheKey(path, *stamp);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        QImageReader reader(QString::fromStdString(path));
        const QImage image = reader.read();
        if (image.isNull())
            throw FileError("Cannot load the picture \"" + path + "\": " + reader.errorString().toStdString());
        picture = QPixmap::fromImage(image);
        QPixmapCache::insert(key, picture);
    }
    setPixmap(picture);
    resize(picture.size());
    picture_file_ = path;
    picture_stamp_ = stamp;
    ++load_count_;
}

void TSkinImage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (OnMouseMove) OnMouseMove();
}

void TSkinImage::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) left_pressed_ = true;
    if (OnMouseDown) OnMouseDown(event->button());
}

void TSkinImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool click = event->button() == Qt::LeftButton && left_pressed_ && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) left_pressed_ = false;
    if (OnMouseUp) OnMouseUp(event->button());
    if (click && OnClick) OnClick();
}

TSkinCloseButton::TSkinCloseButton(QWidget* parent, const QString& name, Kind kind, std::function<void()> action)
    : TSkinButton(parent, name) {
    const std::string stem = kind == Kind::Close ? "x" : "-";
    SetSkin(kCloseFamily, ResourcePicture(stem + "0.gif"), ResourcePicture(stem + "1.gif"),
            ResourcePicture(stem + "2.gif"));
    OnMouseMove = [this] { CloseButtonMove(*this, partner_); };
    OnMouseDown = [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton) CloseButtonDown(*this);
    };
    OnMouseUp = [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton) CloseButtonUp(*this);
    };
    OnClick = std::move(action);
    MakePressable(this, {.role = QAccessible::Button,
                         .name = kind == Kind::Close ? QStringLiteral("Close") : QStringLiteral("Minimise"),
                         .press = OnClick,
                         .hover = [this] { CloseButtonMove(*this, partner_); },
                         .leave = [this] { Reset(); }});
}

void TSkinCloseButton::leaveEvent(QEvent* event) {
    TSkinButton::leaveEvent(event);
    Reset();
}

}  // namespace veltod
