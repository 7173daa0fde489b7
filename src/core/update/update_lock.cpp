#include "core/update/update_lock.h"

#include "core/platform/stored_files.h"

namespace veltod {

std::unique_ptr<FileLock> TryTakeUpdateLock() { return FileLock::TryTake(kUpdateLockFile); }

bool WithUpdateLock(const std::function<void()>& work) {
    const std::unique_ptr<FileLock> lock = TryTakeUpdateLock();
    if (!lock) return false;
    work();
    return true;
}

}  // namespace veltod
