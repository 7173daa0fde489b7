#pragma once
// Decoding the first page's pictures (some forty row pictures, the main
// window's buttons and background, the message plate) is a third of the work
// of building the page. It is begun on a thread of its own as soon as the
// program knows its folder, and handed to the cache the picture controls
// read from before the page is built.
#include <QImage>
#include <future>
#include <string>
#include <vector>

#include "core/platform/file_io.h"

namespace veltod {

class PictureReadAhead {
public:
    explicit PictureReadAhead(std::vector<std::string> paths);
    // Waits for the thread: a read ahead never delivered is dropped.
    ~PictureReadAhead();
    PictureReadAhead(const PictureReadAhead&) = delete;
    PictureReadAhead& operator=(const PictureReadAhead&) = delete;

    // Waits for the decoding and puts each picture into the cache under the
    // stamp its file had when it was read, so a file replaced meanwhile is
    // decoded again where it is used. Files that could not be read are left
    // to the control that loads them, which reports them. Once; main thread.
    void Deliver();

private:
    struct Decoded {
        std::string path;
        FileStamp stamp;
        QImage image;
    };
    std::future<std::vector<Decoded>> decoded_;
};

}  // namespace veltod
