#include "core/platform/seams.h"

#include <stdexcept>

namespace veltod {

std::time_t SystemClock::Now() const {
    return std::time(nullptr);
}

long SystemClock::UtcOffsetSeconds(std::time_t moment) const {
    std::tm local{};
    // Without the local time the offset is unknown; the caller reports it.
    if (!localtime_r(&moment, &local)) throw std::runtime_error("no local time for this moment");
    return local.tm_gmtoff;
}

Seams& CurrentSeams() {
    static SystemClock system_clock;
    static Seams seams{nullptr, nullptr, nullptr, &system_clock};
    return seams;
}

namespace {
template <typename T>
T& Require(T* seam, const char* name) {
    if (!seam) throw std::logic_error(std::string("seam not installed: ") + name);
    return *seam;
}
}  // namespace

Screen& TheScreen() { return Require(CurrentSeams().screen, "screen"); }
Dialogs& TheDialogs() { return Require(CurrentSeams().dialogs, "dialogs"); }
ShellOpen& TheShell() { return Require(CurrentSeams().shell, "shell"); }
Clock& TheClock() { return Require(CurrentSeams().clock, "clock"); }

}  // namespace veltod
