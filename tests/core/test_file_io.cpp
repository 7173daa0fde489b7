#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/errors.h"
#include "platform/file_io.h"
#include "support/temp_dir.h"

using namespace veltod;

TEST(FileIo, ReplaceIsAtomicAndLeavesNoTemporary) {
    test::ScratchInstallation installation;
    installation.Write("Resources/a.txt", "old");
    ReplaceFileAtomically("../Resources/a.txt", "new bytes\r\n");
    EXPECT_EQ(installation.Read("Resources/a.txt"), "new bytes\r\n");
    EXPECT_FALSE(std::filesystem::exists(installation.Path("Resources/a.txt.new~")));
}

TEST(FileIo, FailedReplaceKeepsTheOldFileIntact) {
    test::ScratchInstallation installation;
    installation.Write("Resources/a.txt", "precious");
    // The target's folder cannot take the new file: the old one must survive.
    ::chmod(installation.Path("Resources").c_str(), 0555);
    if (::geteuid() == 0) {
        // root ignores mode bits; a missing folder fails the same way.
        EXPECT_THROW(ReplaceFileAtomically("../Nowhere/a.txt", "x"), FileError);
    } else {
        EXPECT_THROW(ReplaceFileAtomically("../Resources/a.txt", "x"), FileError);
    }
    ::chmod(installation.Path("Resources").c_str(), 0755);
    EXPECT_EQ(installation.Read("Resources/a.txt"), "precious");
}

TEST(FileIo, FullDiskFailsTheReplaceAndKeepsTheOldFile) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    test::ScratchInstallation installation;
    // /dev/full accepts opens and fails every write with ENOSPC; a symlink in
    // place of the temporary file sends the write there.
    installation.Write("Resources/a.txt", "precious");
    std::filesystem::create_symlink("/dev/full", installation.Path("Resources/a.txt.new~"));
    try {
        ReplaceFileAtomically("../Resources/a.txt", "x");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Disk full");
    }
    EXPECT_EQ(installation.Read("Resources/a.txt"), "precious");
}

TEST(FileIo, AppendNeedsTheFileUnlessAskedToCreate) {
    test::ScratchInstallation installation;
    EXPECT_THROW(AppendToFile("../Resources/none.txt", "x"), FileError);
    EXPECT_FALSE(FileExists("../Resources/none.txt"));
    AppendToFile("../Resources/none.txt", "a", true);
    AppendToFile("../Resources/none.txt", "b");
    EXPECT_EQ(installation.Read("Resources/none.txt"), "ab");
}

TEST(FileIo, ExistsCopyMoveDelete) {
    test::ScratchInstallation installation;
    EXPECT_FALSE(FileExists("../Resources"));  // a folder is not a file
    installation.Write("Recibi/a", "1");
    CopyFile("../Recibi/a", "../Recibi/b");
    EXPECT_EQ(installation.Read("Recibi/b"), "1");
    MoveFile("../Recibi/b", "../Recibi/c");
    EXPECT_FALSE(FileExists("../Recibi/b"));
    EXPECT_TRUE(DeleteFile("../Recibi/c"));
    EXPECT_FALSE(DeleteFile("../Recibi/c"));
    EXPECT_THROW(ReadWholeFile("../Recibi/c"), FileError);
    EXPECT_THROW(ReadWholeFile("../Recibi"), FileError);
}

TEST(FileIo, LinkOrCopyGivesTheTargetTheSourceBytesThatLaterRewritesDoNotShare) {
    test::ScratchInstallation installation;
    installation.Write("bin/day", "day list\r\n");
    installation.Write("Resources/today", "yesterday\r\n");
    LinkOrCopyFile("../bin/day", "../Resources/today");
    EXPECT_EQ(installation.Read("Resources/today"), "day list\r\n");
    // The source goes and is rewritten; the target keeps what it was given.
    DeleteFile("../bin/day");
    EXPECT_EQ(installation.Read("Resources/today"), "day list\r\n");
    LinkOrCopyFile("../Resources/today", "../Resources/seven");
    ReplaceFileAtomically("../Resources/today", "tomorrow\r\n");
    EXPECT_EQ(installation.Read("Resources/seven"), "day list\r\n");
    // Given again over a name of the same bytes, nothing is left beside it.
    LinkOrCopyFile("../Resources/seven", "../Resources/seven");
    EXPECT_EQ(installation.Read("Resources/seven"), "day list\r\n");
    EXPECT_FALSE(std::filesystem::exists(installation.Path("Resources/seven.new~")));
    // A missing source changes nothing.
    try {
        LinkOrCopyFile("../bin/none", "../Resources/seven");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(installation.Read("Resources/seven"), "day list\r\n");
    EXPECT_THROW(SyncFileSystem("../Nowhere"), FileError);
    SyncFileSystem("../Resources");
}

TEST(FileIo, ANameHoldingANulByteReachesNoFile) {
    test::ScratchInstallation installation;
    installation.Write("Recibi/espejos.fij", "mirrors");
    const std::string cut("../Recibi/espejos.fij\0.exe", 26);
    EXPECT_FALSE(FileExists(cut));
    EXPECT_FALSE(DeleteFile(cut));
    for (const auto& attempt : std::vector<std::function<void()>>{
             [&] { ReadWholeFile(cut); }, [&] { ReplaceFileAtomically(cut, "x"); }, [&] { AppendToFile(cut, "x"); },
             [&] { MoveFile(cut, "../bin/moved"); }, [&] { MoveFile("../Recibi/espejos.fij", cut); },
             [&] { LinkOrCopyFile(cut, "../bin/linked"); }}) {
        try {
            attempt();
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Invalid file name");
        }
    }
    EXPECT_EQ(installation.Read("Recibi/espejos.fij"), "mirrors");
    EXPECT_FALSE(FileExists("../bin/moved"));
    EXPECT_FALSE(FileExists("../bin/linked"));
}
