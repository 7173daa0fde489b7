#pragma once
// On a desktop with thousands of font faces, reading the font configuration
// and listing the faces takes longer than building every window of the first
// page. Both are begun on a second core: the configuration before the
// application exists, the faces and the first page's fonts as soon as it
// does, while the main thread builds the windows.
#include <QFont>
#include <QList>
#include <future>
#include <thread>

namespace veltod {

// Starts reading the font configuration; needs no application.
std::shared_future<void> ReadFontConfigurationAhead();

// Loads the fonts on a thread of its own once the configuration is read; the
// font database is shared and safe to fill from any thread. Lives inside the
// application's lifetime: its end waits for the thread.
class FontWarmUp {
public:
    FontWarmUp(std::shared_future<void> configuration, QList<QFont> fonts);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::thread thread_;
};

}  // namespace veltod
