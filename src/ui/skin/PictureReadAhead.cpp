#include "ui/skin/PictureReadAhead.h"

#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>

#include "ui/skin/SkinImage.h"

namespace veltod {

PictureReadAhead::PictureReadAhead(std::vector<std::string> paths)
    : decoded_(std::async(std::launch::async, [paths = std::move(paths)] {
          std::vector<Decoded> decoded;
          for (const std::string& path : paths) {
              const std::optional<FileStamp> stamp = StampOfFile(path);
              if (!stamp) continue;
              QImage image = QImageReader(QString::fromStdString(path)).read();
              if (!image.isNull()) decoded.push_back({path, *stamp, std::move(image)});
          }
          return decoded;
      })) {}

PictureReadAhead::~PictureReadAhead() {
    if (decoded_.valid()) decoded_.wait();
}

void PictureReadAhead::Deliver() {
    if (!decoded_.valid()) return;
    std::vector<Decoded> decoded;
    try {
        decoded = decoded_.get();
    } catch (const std::exception&) {
        // Out of memory on the way: the windows decode their pictures themselves.
        return;
    }
    for (const Decoded& picture : decoded)
        QPixmapCache::insert(PictureCacheKey(picture.path, picture.stamp), QPixmap::fromImage(picture.image));
}

}  // namespace veltod
