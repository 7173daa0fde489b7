#include "core/records/line_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"

namespace veltod {

LineStream::LineStream(const std::string& path, size_t piece_size) : piece_size_(piece_size == 0 ? 1 : piece_size) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw FileError(FileErrorText(errno));
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

LineStream::~LineStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineStream::Fill() {
    if (at_end_) return false;
    if (capacity_ < used_ + piece_size_) {
        // Grows only for a line longer than a piece; not zero-filled.
        const size_t capacity = std::max(used_ + piece_size_, capacity_ * 2);
        std::unique_ptr<char[]> larger(new char[capacity]);
        if (used_ > 0) std::memcpy(larger.get(), buffer_.get(), used_);
        buffer_ = std::move(larger);
        capacity_ = capacity;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.get() + used_, piece_size_);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError(FileErrorText(errno));
        }
        if (got == 0) {
            at_end_ = true;
            return false;
        }
        used_ += static_cast<size_t>(got);
        return true;
    }
}

size_t LineStream::CompleteEnd() const {
    size_t end = used_;
    // A CR as the last byte read may be the first half of a CR LF.
    if (end > 0 && buffer_[end - 1] == '\r') --end;
    while (end > 0) {
        const char c = buffer_[end - 1];
        if (c == '\n' || c == '\r') return end;
        --end;
    }
    return 0;
}

}  // namespace veltod
