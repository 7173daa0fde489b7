#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>

#include <filesystem>
#include <functional>
#include <vector>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
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
    test::ScratchInstallation installation;
    installation.Write("Resources/a.txt", "precious");
    // A link at the temporary's name is no longer written through, so the
    // refused write comes from a file size limit of zero bytes instead.
    EXPECT_EQ(FileErrorText(ENOSPC), "Disk full");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
    std::string failure;
    try {
        ReplaceFileAtomically("../Resources/a.txt", "x");
    } catch (const FileError& error) {
        failure = error.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(failure, FileErrorText(EFBIG));
    EXPECT_EQ(installation.Read("Resources/a.txt"), "precious");
    EXPECT_FALSE(std::filesystem::exists(installation.Path("Resources/a.txt.new~")));
}

// A rewrite of derived data swaps the new file in where it can: whatever
// stood at the target, the result is the one a rename gives, a folder there
// stops it, and no temporary stays behind.
TEST(FileIo, ADerivedRewriteEndsAsARenameWouldWhateverStandsAtTheTarget) {
    test::ScratchInstallation installation;
    installation.Write("elsewhere.txt", "kept");
    struct Case {
        const char* name;
        std::function<void(const std::string&)> place;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"missing", [](const std::string&) {}, true},
        {"plain file", [&](const std::string& path) { installation.Write(path, "old week"); }, true},
        {"link", [&](const std::string& path) { std::filesystem::create_symlink(installation.Path("elsewhere.txt"), installation.Path(path)); }, true},
        {"folder", [&](const std::string& path) { std::filesystem::create_directories(installation.Path(path)); }, false},
    };
    for (const Case& c : cases) {
        const std::string path = std::string("Resources/") + c.name;
        c.place(path);
        bool failed = false;
        try {
            AtomicFileWriter writer("../" + path, Durability::kDerived);
            writer.Write("new week");
            writer.Commit();
        } catch (const FileError&) {
            failed = true;
        }
        EXPECT_EQ(failed, !c.replaced) << c.name;
        if (c.replaced) {
            EXPECT_EQ(installation.Read(path), "new week") << c.name;
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(installation.Path(path))) << c.name;
        }
        EXPECT_FALSE(std::filesystem::exists(installation.Path(path + ".new~"))) << c.name;
    }
    EXPECT_EQ(installation.Read("elsewhere.txt"), "kept");
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
    // The start of a file: at most as many bytes as asked for, the same errors.
    EXPECT_EQ(ReadFileStart("../Recibi/a", 3), "1");
    installation.Write("Recibi/d", "MZP and the rest");
    EXPECT_EQ(ReadFileStart("../Recibi/d", 3), "MZP");
    EXPECT_THROW(ReadFileStart("../Recibi/c", 3), FileError);
    EXPECT_THROW(ReadFileStart("../Recibi", 3), FileError);
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

// Links never carry a write out of where it was meant to go: one left at the
// crash-safe rewrite's temporary name, or a folder link below a root.
TEST(FileIo, WritesDoNotFollowLinksOut) {
    test::ScratchInstallation installation;
    installation.Write("Def/elsewhere.txt", "kept");
    std::filesystem::create_symlink(installation.Path("Def/elsewhere.txt"), installation.Path("Resources/a.txt.new~"));
    ReplaceFileAtomically("../Resources/a.txt", "new");
    EXPECT_EQ(installation.Read("Resources/a.txt"), "new");
    EXPECT_EQ(installation.Read("Def/elsewhere.txt"), "kept");

    std::filesystem::create_symlink(installation.Path("Def"), installation.Path("Resources/out"));
    EXPECT_THROW(ReplaceFileBeneath("../Resources", "out/elsewhere.txt", "x"), FileError);
    EXPECT_THROW(ReplaceFileBeneath("../Resources", "../Def/elsewhere.txt", "x"), FileError);
    installation.Write("Resources/b.txt", "b");
    EXPECT_THROW(MoveFileBeneath("../Resources", "b.txt", "out/b.txt"), FileError);
    EXPECT_EQ(installation.Read("Def/elsewhere.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(installation.Path("Def/b.txt")));
    ReplaceFileBeneath("../Resources", "new/c.txt", "c");
    MoveFileBeneath("../Resources", "b.txt", "new/b.txt");
    EXPECT_EQ(installation.Read("Resources/new/c.txt") + installation.Read("Resources/new/b.txt"), "cb");
}
