#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/line_scanner.h"
#include "core/records/line_stream.h"
#include "support/temp_dir.h"

using namespace veltod;

namespace {

std::vector<std::string> WholeLines(const std::string& bytes) {
    std::vector<std::string> lines;
    ScanLines(bytes.data(), bytes.data() + bytes.size(), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::vector<std::string> StreamedLines(const std::string& path, size_t piece) {
    std::vector<std::string> lines;
    LineStream stream(path, piece);
    stream.ForEach([&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

}  // namespace

TEST(LineStream, AgreesWithTheWholeFileScanForEveryPieceSize) {
    veltod::test::ScratchInstallation install;
    const std::string path = install.Path("Resources/lines.txt");
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n', 'c', '\x1A'};
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i) {
            // 0x1A only now and then, so most rounds read to the end.
            char c = alphabet[random() % (round % 5 == 0 ? 8 : 7)];
            bytes += c;
        }
        install.Write("Resources/lines.txt", bytes);
        const auto expected = WholeLines(bytes);
        for (size_t piece : {1u, 2u, 3u, 7u, 64u}) ASSERT_EQ(StreamedLines(path, piece), expected) << "piece " << piece;
    }
}

TEST(LineStream, LinesLongerThanAPieceAndEarlyStop) {
    veltod::test::ScratchInstallation install;
    const std::string long_line(10000, 'x');
    install.Write("Resources/long.txt", "2\r\n" + long_line + "\r\nshort\r\n");
    EXPECT_EQ(StreamedLines(install.Path("Resources/long.txt"), 16),
              (std::vector<std::string>{"2", long_line, "short"}));

    std::vector<std::string> seen;
    LineStream stream(install.Path("Resources/long.txt"), 4);
    stream.ForEach([&](std::string_view line) {
        seen.emplace_back(line);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"2"}));
    EXPECT_THROW(LineStream("../Resources/missing.txt"), FileError);
}

TEST(AtomicFileWriter, PiecesLandTogetherOrNotAtAll) {
    veltod::test::ScratchInstallation install;
    const std::string path = install.Path("Resources/list.cat");
    install.Write("Resources/list.cat", "old");
    {
        AtomicFileWriter writer(path);
        writer.Write("new ");
        writer.Write(std::string(3 << 20, 'y'));  // more than one batch
        writer.Write("end");
        EXPECT_EQ(install.Read("Resources/list.cat"), "old") << "nothing shows before the commit";
        writer.Commit();
    }
    const std::string written = install.Read("Resources/list.cat");
    EXPECT_EQ(written.size(), 4u + (3u << 20) + 3u);
    EXPECT_EQ(written.substr(written.size() - 3), "end");
    {
        AtomicFileWriter abandoned(path);
        abandoned.Write("half");
    }
    EXPECT_EQ(install.Read("Resources/list.cat").size(), written.size());
    EXPECT_FALSE(std::filesystem::exists(path + ".new~"));
    EXPECT_THROW(AtomicFileWriter("../NoFolder/list.cat"), FileError);
}
