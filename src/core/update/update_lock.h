#pragma once
// One update run at a time on an installation, across processes: the
// button's run, the update command and a start-up pass each hold
// kUpdateLockFile while they change the catalogue.
#include <functional>
#include <memory>

#include "core/platform/file_lock.h"

namespace veltod {

// The lock, or nothing while another process holds it.
std::unique_ptr<FileLock> TryTakeUpdateLock();

// Runs work while holding the lock; false, without running it, while an
// update of another process holds it: that run applies what it receives, and
// what work would do waits for a later time.
bool WithUpdateLock(const std::function<void()>& work);

}  // namespace veltod
