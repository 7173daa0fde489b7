// The first page a start shows (main window, banners, message plate and
// today's day news) stays the same pixels whatever the start does to come
// sooner: the staged program on a fixed day list and a fixed set of fonts is
// compared, pixel for pixel, with the screenshots in tests/data that an
// earlier program took of the same page.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/catalogue_files.h"
#include "support/real_screen.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod::test;

// Names of every length the rows meet, the longest cut at the row's end.
std::string FixedDayList() {
    std::vector<std::vector<std::string>> entries;
    for (int i = 0; i < 60; ++i) {
        std::string name = "package-" + std::to_string(i);
        for (int grow = 0; grow < i % 7; ++grow) name += "-longer";
        std::vector<std::string> entry = Entry(name, "5");
        entry[8] = std::to_string(i % 12);
        entries.push_back(entry);
    }
    return EntryList(entries);
}

// Only the fonts the package depends on, every family the skin names taken
// by Liberation Sans, and fontconfig's own defaults for the rendering: no
// rule of the machine's, so the screenshots are the same on any machine.
std::string PinnedFonts(const fs::path& cache) {
    std::string conf = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
                       "  <dir>/usr/share/fonts/truetype/liberation</dir>\n  <cachedir>";
    conf += cache.string();
    conf += "</cachedir>\n";
    for (const char* family : {"Arial", "Arial Black", "sans-serif"})
        conf += std::string("  <alias><family>") + family + "</family><prefer><family>Liberation Sans</family></prefer></alias>\n";
    conf += "</fontconfig>\n";
    return conf;
}

// Pixels of a that differ from b; every pixel when the sizes differ.
long DifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return static_cast<long>(a.width()) * a.height();
    const QImage left = a.convertToFormat(QImage::Format_RGB32), right = b.convertToFormat(QImage::Format_RGB32);
    long different = 0;
    for (int y = 0; y < left.height(); ++y)
        for (int x = 0; x < left.width(); ++x) different += left.pixel(x, y) != right.pixel(x, y);
    return different;
}

TEST(FirstPage, SamePixelsAsTheRecordedStart) {
    const char* stage = std::getenv("VELTOD_STAGE");
    const char* source = std::getenv("VELTOD_SOURCE_DIR");
    ASSERT_NE(stage, nullptr);
    ASSERT_NE(source, nullptr);
    for (const char* tool : {"Xvfb", "xwd", "convert"})
        ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty()) << tool << " is missing (scripts/install-deps.sh)";
    ScratchInstallation copy;
    fs::copy(stage, copy.Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    WriteBytes(copy.Path("Resources/today.1cat"), FixedDayList());
    WriteBytes(copy.Path("fonts.conf"), PinnedFonts(copy.Path("font-cache")));

    for (const char* size : {"1024x768", "1920x1080"}) {
        SCOPED_TRACE(size);
        VirtualScreen screen(std::string(size) + "x24");
        ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
        const std::string mark = copy.Path("painted.mark");
        fs::remove(mark);
        // The paint mark makes the program open today's news once it is up.
        Child program({copy.Path("bin/VeltoD.exe")},
                      {"DISPLAY=" + screen.Display(), "QT_QPA_PLATFORM=xcb", "VELTOD_PAINT_MARK=" + mark,
                       "FONTCONFIG_FILE=" + copy.Path("fonts.conf")});
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(WaitFor([&] { return ReadBytes(mark).find("painted") != std::string::npos; }));
        // The screen is taken once it has stopped changing.
        const fs::path shot = fs::path(stage).parent_path() / (std::string("first-page-") + size + ".png");
        QImage now, before;
        for (int round = 0; round < 20 && (now.isNull() || DifferentPixels(now, before) != 0); ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            before = now;
            Shell("DISPLAY=" + screen.Display() + " xwd -root -silent | convert xwd:- png:" + shot.string());
            now = QImage(QString::fromStdString(shot.string()));
        }
        const QImage recorded(QString::fromStdString(std::string(source) + "/tests/data/first-page-" + size + ".png"));
        ASSERT_FALSE(recorded.isNull()) << "no recorded screenshot; this start's is " << shot;
        EXPECT_EQ(DifferentPixels(now, recorded), 0) << "this start's screenshot is " << shot;
    }
}

}  // namespace
