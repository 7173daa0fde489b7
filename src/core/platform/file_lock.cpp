#include "core/platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/platform/errors.h"

namespace veltod {

FileLock::~FileLock() { ::close(descriptor_); }

std::unique_ptr<FileLock> FileLock::TryTake(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) throw FileError("Cannot open " + path + ": " + std::strerror(errno));
    int result;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error == EWOULDBLOCK) return nullptr;
        throw FileError("Cannot lock " + path + ": " + std::strerror(error));
    }
    return std::unique_ptr<FileLock>(new FileLock(descriptor));
}

}  // namespace veltod
