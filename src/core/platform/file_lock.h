#pragma once
// An exclusive lock on a file, held with flock(2) for as long as the object
// lives. The kernel lets go of it when the process ends, however it ends, so
// a killed holder never leaves a stale lock behind; the descriptor is not
// handed to programs started meanwhile, which would otherwise keep it.
#include <memory>
#include <string>

namespace veltod {

class FileLock {
public:
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // The lock on path (created when missing), or nothing when another open
    // of the file holds it. A file that cannot be opened raises FileError.
    static std::unique_ptr<FileLock> TryTake(const std::string& path);

private:
    explicit FileLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
};

}  // namespace veltod
