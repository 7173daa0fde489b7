#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

struct Keys {
    Keys() { MakeKeyPair(public_key, secret_key); }
    std::string public_key, secret_key;
};

const std::vector<PackageFile> kFiles = {{"20261208.1cat", "1\r\nabc\r\n"},
                                         {"Resources/skin.gif", std::string("GIF89a\0\x1A\xFF", 9)},
                                         {"mover.new", "1\r\nResources/skin.gif\r\n"}};

// A signed package whose archive holds names the builder would refuse.
std::string HandMadePackage(const std::vector<std::string>& names, const std::string& secret_key) {
    std::string archive_bytes(1 << 16, '\0');
    size_t used = 0;
    archive* writer = archive_write_new();
    archive_write_set_format_pax_restricted(writer);
    archive_write_open_memory(writer, archive_bytes.data(), archive_bytes.size(), &used);
    for (const auto& name : names) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_size(entry, 2);
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_write_header(writer, entry);
        archive_write_data(writer, "x\n", 2);
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    archive_bytes.resize(used);
    std::string package = "MZPVDP1";
    for (int i = 0; i < 8; ++i) package += static_cast<char>((uint64_t(used) >> (8 * i)) & 0xFF);
    package += archive_bytes;
    unsigned char signature[64];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(package.data()), package.size(),
                         reinterpret_cast<const unsigned char*>(secret_key.data()));
    return package + std::string(reinterpret_cast<char*>(signature), 64);
}

TEST(Package, RoundTripsItsFilesAndIgnoresBytesAfterTheSignature) {
    Keys keys;
    const std::string package = BuildPackage(kFiles, keys.secret_key);
    EXPECT_EQ(package.substr(0, 3), "MZP");
    // The same files make the same bytes whenever they are packed: the gzip
    // header carries no time.
    const size_t gzip = package.find("\x1f\x8b");
    ASSERT_NE(gzip, std::string::npos);
    EXPECT_EQ(package.substr(gzip + 4, 4), std::string(4, '\0'));
    for (const std::string& tail : {std::string(), std::string("\r\n")}) {
        const auto files = OpenPackage(package + tail, keys.public_key);
        ASSERT_EQ(files.size(), kFiles.size());
        for (size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].name, kFiles[i].name);
            EXPECT_EQ(files[i].bytes, kFiles[i].bytes);
        }
    }
}

TEST(Package, ATamperedByteOrAnotherKeyIsRefused) {
    Keys keys, other;
    const std::string package = BuildPackage(kFiles, keys.secret_key);
    EXPECT_THROW(OpenPackage(package, other.public_key), PackageError);
    for (size_t at : {size_t(3), size_t(9), size_t(20), package.size() / 2, package.size() - 70, package.size() - 1}) {
        std::string changed = package;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        EXPECT_THROW(OpenPackage(changed, keys.public_key), PackageError) << "byte " << at;
    }
    EXPECT_THROW(OpenPackage(package.substr(0, package.size() - 1), keys.public_key), PackageError);
    EXPECT_THROW(OpenPackage("MZP", keys.public_key), PackageError);
    EXPECT_THROW(OpenPackage("", keys.public_key), PackageError);
}

TEST(Package, NamesThatLeaveTheFolderAreRefusedWhole) {
    Keys keys;
    for (const std::string bad : {"../x", "/x", "a/../../x", "a/..", "", "a//b", "a\\..\\x"}) {
        EXPECT_FALSE(IsSafeMemberName(bad)) << bad;
        const std::string package = HandMadePackage({"good.txt", bad}, keys.secret_key);
        EXPECT_THROW(OpenPackage(package, keys.public_key), PackageError) << bad;
        EXPECT_THROW(BuildPackage({{bad, "x"}}, keys.secret_key), PackageError) << bad;
    }
    EXPECT_TRUE(IsSafeMemberName("Resources/a.gif"));
    EXPECT_TRUE(IsSafeMemberName("..a"));
}

// Whatever stops an unpack leaves nothing a later pass could apply: not the
// members before the one that failed, not a file written through a link that
// leads out of the folder.
TEST(Package, AnUnpackThatCannotFinishWritesNothing) {
    Keys keys;
    test::ScratchInstallation installation;
    const std::filesystem::path outside = installation.Root() / "Def";
    std::filesystem::create_symlink(outside, installation.Root() / "bin/out");
    struct Case {
        std::vector<PackageFile> files;
        std::string refused;  // the member named in the refusal
    };
    const std::vector<Case> cases = {
        {{{"20261208.1cat", "1\r\n"}, {"a", "x"}, {"a/b", "y"}}, "'a'"},
        {{{"20261208.1cat", "1\r\n"}, {"dias.lst", "1\r\n20261208\r\nsoon\r\n"}}, "line 3"},
        {{{"20261208.1cat", "1\r\n"}, {"out/x.txt", "y"}}, "Access denied"},
    };
    for (const auto& c : cases) {
        try {
            UnpackPackage(BuildPackage(c.files, keys.secret_key), keys.public_key, ".");
            ADD_FAILURE() << c.refused;
        } catch (const Error& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(c.refused), std::string::npos) << refusal.what();
        }
        EXPECT_FALSE(FileExists("20261208.1cat")) << c.refused;
        EXPECT_FALSE(std::filesystem::exists("a")) << c.refused;
        EXPECT_FALSE(FileExists("dias.lst")) << c.refused;
        EXPECT_TRUE(std::filesystem::is_empty(outside)) << c.refused;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            EXPECT_EQ(entry.path().filename().string().find(".new~"), std::string::npos) << entry.path();
    }
    // Blank lines of a day index are fine; a link inside the folder is kept to.
    std::filesystem::create_directory("sub");
    std::filesystem::create_symlink("sub", "inner");
    UnpackPackage(BuildPackage({{"dias.lst", "1\r\n20261208\r\n\r\n"}, {"inner/x.txt", "y"}}, keys.secret_key),
                  keys.public_key, ".");
    EXPECT_EQ(installation.Read("bin/sub/x.txt"), "y");
    EXPECT_EQ(DayIndexDays("1\r\n \r\n20261208\r\n\r\n", "dias.lst"), std::vector<std::string>{"20261208"});
}

// The runner is the installed program, run on its own copy beside a key.
class PackageRunner : public ::testing::Test {
protected:
    void SetUp() override {
        const char* stage = std::getenv("VELTOD_STAGE");
        ASSERT_NE(stage, nullptr);
        const std::string runner = std::string(stage) + "/bin/veltod-unpack";
        ASSERT_TRUE(FileExists(runner)) << runner;
        std::filesystem::copy_file(runner, installation.Path("bin/veltod-unpack"));
        WriteKeyFile(installation.Path("bin/veltod.pub"), keys.public_key);
        SetPackageRunnerPath(installation.Path("bin/veltod-unpack"));
    }
    void TearDown() override { SetPackageRunnerPath(""); }
    void Run(const std::string& package) {
        installation.Write("Recibi/20261208.exe", package);
        TheProgramStarter().RunAndWait("../Recibi/20261208.exe", 60);
    }
    test::ScratchInstallation installation;
    Keys keys;
};

TEST_F(PackageRunner, AGoodPackageUnpacksIntoTheWorkingFolder) {
    Run(BuildPackage(kFiles, keys.secret_key) + "\r\n");
    for (const auto& file : kFiles) EXPECT_EQ(installation.Read("bin/" + file.name), file.bytes);
}

TEST_F(PackageRunner, ARefusedPackageWritesNothingAndFails) {
    Keys other;
    std::string tampered = BuildPackage(kFiles, keys.secret_key);
    tampered[tampered.size() / 2] ^= 0x20;
    for (const std::string& package :
         {tampered, BuildPackage(kFiles, other.secret_key), HandMadePackage({"a.txt", "../x"}, keys.secret_key),
          HandMadePackage({"b.txt", "/tmp/veltod-escape-test"}, keys.secret_key)}) {
        EXPECT_THROW(Run(package), Error);
        EXPECT_FALSE(FileExists("20261208.1cat"));
        EXPECT_FALSE(FileExists("a.txt"));
        EXPECT_FALSE(FileExists("b.txt"));
        EXPECT_FALSE(FileExists("../x"));
        EXPECT_FALSE(FileExists("/tmp/veltod-escape-test"));
    }
}

// The runner's refusal reaches the error the user sees: a day index with a
// bad line is named with its line.
TEST_F(PackageRunner, ARefusalSaysWhy) {
    try {
        Run(BuildPackage({{"20261208.1cat", "1\r\n"}, {"dias.lst", "1\r\n20261208\r\nabc\r\n"}}, keys.secret_key));
        ADD_FAILURE() << "refused package ran";
    } catch (const Error& refusal) {
        const std::string text = refusal.what();
        EXPECT_NE(text.find("exit status 1"), std::string::npos) << text;
        EXPECT_NE(text.find("dias.lst holds 'abc' on line 3"), std::string::npos) << text;
    }
    EXPECT_FALSE(FileExists("20261208.1cat"));
}

TEST_F(PackageRunner, OtherFilesRunDirectlyAndTheWaitIsBounded) {
    installation.Write("bin/ok.sh", "#!/bin/sh\necho ran > ran.txt\n");
    ::chmod("ok.sh", 0644);
    TheProgramStarter().RunAndWait("ok.sh", 60);
    EXPECT_EQ(installation.Read("bin/ran.txt"), "ran\n");

    installation.Write("bin/fail.sh", "#!/bin/sh\nexit 3\n");
    try {
        TheProgramStarter().RunAndWait("fail.sh", 60);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("exit status 3"), std::string::npos) << error.what();
    }
    installation.Write("bin/hang.sh", "#!/bin/sh\nexec sleep 60\n");
    try {
        TheProgramStarter().RunAndWait("hang.sh", 1);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("did not finish within 1 seconds"), std::string::npos) << error.what();
    }
    EXPECT_THROW(TheProgramStarter().RunAndWait("missing.sh", 1), Error);

    // Cancel ends a running program at once, long before its time is up.
    installation.Write("bin/slow.sh", "#!/bin/sh\necho $$ > pid.txt\nexec sleep 60\n");
    int asks = 0;
    EXPECT_THROW(TheProgramStarter().RunAndWaitUnless("slow.sh", 60, [&] { return ++asks == 50; }), Stopped);
    const pid_t slow = std::stoi(installation.Read("bin/pid.txt"));
    EXPECT_NE(::kill(slow, 0), 0) << "the stopped program still runs";
}

}  // namespace
}  // namespace veltod
