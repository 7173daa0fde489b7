#pragma once
// Listing the font faces and opening the first page's fonts is begun on a
// second core as soon as the application exists, while the main thread
// builds the windows.
#include <QFont>
#include <QList>
#include <thread>

namespace veltod {

// Loads the fonts on a thread of its own; the font database is shared and
// safe to fill from any thread. Lives inside the
// application's lifetime: its end waits for the thread.
class FontWarmUp {
public:
    explicit FontWarmUp(QList<QFont> fonts);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::thread thread_;
};

}  // namespace veltod
