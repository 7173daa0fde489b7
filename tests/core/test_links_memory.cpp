#include <gtest/gtest.h>

#include <filesystem>

#include "core/platform/errors.h"
#include "core/sponsors/links_memory.h"
#include "support/fake_seams.h"
#include "support/temp_dir.h"

using veltod::AppendRememberedLink;
using veltod::BookChange;
using veltod::LinksMemoryBook;

namespace {

constexpr char kBook[] = "Resources/Remember.cat";
constexpr char kBookPath[] = "../Resources/Remember.cat";

class LinksMemoryTest : public ::testing::Test {
protected:
    void WriteBook(const std::string& bytes) { install.Write(kBook, bytes); }
    std::string Book() { return install.Read(kBook); }
    size_t ConfirmsShown() const {
        size_t count = 0;
        for (const auto& shown : seams.dialogs.shown) count += shown.kind == "confirm";
        return count;
    }

    veltod::test::ScratchInstallation install;
    veltod::test::SeamsGuard seams;
    LinksMemoryBook book;
};

const std::string kThree = "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\nhttp://c/\r\nC\r\n";

TEST_F(LinksMemoryTest, RememberedLinksAppearNewestFirst) {
    WriteBook("2\r\n");
    book.Reload();
    EXPECT_TRUE(book.Empty());
    AppendRememberedLink(kBookPath, "http://first/", "First");
    AppendRememberedLink(kBookPath, "http://second/", "Second");
    EXPECT_EQ(Book(), "2\r\nhttp://first/\r\nFirst\r\nhttp://second/\r\nSecond\r\n");
    book.Reload();
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"Second", "First"}));
    EXPECT_EQ(book.Link(0), "http://second/");
}

TEST_F(LinksMemoryTest, AppendToAMissingBookFailsAndStoresNothing) {
    try {
        AppendRememberedLink(kBookPath, "http://x/", "X");
        FAIL() << "a missing book must raise";
    } catch (const veltod::FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_FALSE(std::filesystem::exists(install.Path(kBook)));
}

TEST_F(LinksMemoryTest, AppendKeepsRecordsAlignedInDamagedBooks) {
    // The last line lacks its line end.
    WriteBook("2\r\nhttp://a/\r\nA");
    AppendRememberedLink(kBookPath, "http://b/", "B");
    EXPECT_EQ(Book(), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\n");

    // The last record lost its title.
    WriteBook("2\r\nhttp://a/\r\n");
    AppendRememberedLink(kBookPath, "http://b/", "B");
    book.Reload();
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"B", ""}));
    EXPECT_EQ(book.Link(0), "http://b/");

    // An empty file gets its count line first.
    WriteBook("");
    AppendRememberedLink(kBookPath, "http://b/", "B");
    EXPECT_EQ(Book(), "2\r\nhttp://b/\r\nB\r\n");

    // Line breaks inside the texts cannot split the record.
    WriteBook("2\r\n");
    AppendRememberedLink(kBookPath, "http://b/\r\nx", "Two\nlines\x1A");
    EXPECT_EQ(Book(), "2\r\nhttp://b/  x\r\nTwo lines \r\n");

    // Text after an end-of-file byte stays, and the new link is still read.
    WriteBook("2\r\nhttp://a/\r\nA\r\n\x1Atail");
    AppendRememberedLink(kBookPath, "http://b/", "B");
    EXPECT_EQ(Book(), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\n\x1Atail");
    book.Reload();
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"B", "A"}));
}

TEST_F(LinksMemoryTest, DeletingTheTopOfThreeKeepsTheOthersInFileOrder) {
    WriteBook(kThree);
    book.Reload();
    ASSERT_EQ(book.Titles(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(book.DeleteOne(0), BookChange::Deleted);
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_EQ(seams.dialogs.shown[0].kind, "confirm");
    EXPECT_EQ(seams.dialogs.shown[0].text, "Sure to delete the: C - LINK?");
    EXPECT_EQ(Book(), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\n");
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"B", "A"}));

    EXPECT_EQ(book.DeleteOne(1), BookChange::Deleted);
    EXPECT_EQ(Book(), "2\r\nhttp://b/\r\nB\r\n");
}

TEST_F(LinksMemoryTest, AnsweringNoChangesNothingAndReloads) {
    WriteBook(kThree);
    book.Reload();
    // Links remembered meanwhile show up after either answer.
    AppendRememberedLink(kBookPath, "http://d/", "D");
    seams.dialogs.answers = {false, false};
    EXPECT_EQ(book.DeleteOne(1), BookChange::Declined);
    EXPECT_EQ(book.DeleteAll(), BookChange::Declined);
    EXPECT_EQ(seams.dialogs.shown.back().text, "Sure to delete all the PENDING LINKS?");
    EXPECT_EQ(ConfirmsShown(), 2u);
    EXPECT_EQ(Book(), kThree + "http://d/\r\nD\r\n");
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"D", "C", "B", "A"}));
}

TEST_F(LinksMemoryTest, NothingToDeleteAsksNothing) {
    WriteBook("2\r\n");
    book.Reload();
    EXPECT_EQ(book.DeleteAll(), BookChange::Nothing);
    EXPECT_EQ(book.DeleteOne(0), BookChange::Nothing);
    WriteBook(kThree);
    book.Reload();
    EXPECT_EQ(book.DeleteOne(-1), BookChange::Nothing);  // no item selected
    EXPECT_EQ(book.DeleteOne(3), BookChange::Nothing);
    EXPECT_EQ(ConfirmsShown(), 0u);
    EXPECT_EQ(Book(), kThree);
}

TEST_F(LinksMemoryTest, DeleteAllLeavesTheCountLine) {
    WriteBook(kThree);
    book.Reload();
    EXPECT_EQ(book.DeleteAll(), BookChange::Deleted);
    EXPECT_EQ(Book(), "2\r\n");
    EXPECT_TRUE(book.Empty());
}

TEST_F(LinksMemoryTest, ATitleOfTheDeletionMarkVanishesAtTheNextDelete) {
    WriteBook("2\r\nhttp://a/\r\nA\r\n");
    AppendRememberedLink(kBookPath, "http://odd/", "Borrar");
    AppendRememberedLink(kBookPath, "http://c/", "C");
    book.Reload();
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"C", "Borrar", "A"}));
    EXPECT_EQ(book.DeleteOne(2), BookChange::Deleted);
    EXPECT_EQ(Book(), "2\r\nhttp://c/\r\nC\r\n");
}

TEST_F(LinksMemoryTest, LinksRememberedSinceTheReloadSurviveDeletes) {
    WriteBook(kThree);
    book.Reload();
    AppendRememberedLink(kBookPath, "http://d/", "D");
    EXPECT_EQ(book.DeleteOne(0), BookChange::Deleted);  // "C" as shown, not the newer "D"
    EXPECT_EQ(Book(), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\nhttp://d/\r\nD\r\n");
    EXPECT_EQ(book.Titles(), (std::vector<std::string>{"D", "B", "A"}));

    AppendRememberedLink(kBookPath, "http://e/", "E");
    EXPECT_EQ(book.DeleteAll(), BookChange::Deleted);
    EXPECT_EQ(Book(), "2\r\nhttp://e/\r\nE\r\n");
}

TEST_F(LinksMemoryTest, DeleteFindsTheShownLinkWhenTheBookWasRewrittenElsewhere) {
    WriteBook(kThree);
    book.Reload();
    WriteBook("2\r\nhttp://b/\r\nB\r\nhttp://c/\r\nC\r\n");
    EXPECT_EQ(book.DeleteOne(2), BookChange::Deleted);  // "A" is gone already: nothing else goes
    EXPECT_EQ(Book(), "2\r\nhttp://b/\r\nB\r\nhttp://c/\r\nC\r\n");
    EXPECT_EQ(book.DeleteOne(1), BookChange::Deleted);  // "B": found at another place
    EXPECT_EQ(Book(), "2\r\nhttp://c/\r\nC\r\n");
}

TEST_F(LinksMemoryTest, MissingBookFailsTheReloadAndADeleteWritesTheShownBookBack) {
    EXPECT_THROW(book.Reload(), veltod::FileError);
    EXPECT_TRUE(book.Empty());
    WriteBook(kThree);
    book.Reload();
    std::filesystem::remove(install.Path(kBook));
    EXPECT_EQ(book.DeleteOne(0), BookChange::Deleted);
    EXPECT_EQ(Book(), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\n");
}

TEST_F(LinksMemoryTest, OpenHandsTheLinkToTheShellOnlyForARecord) {
    WriteBook(kThree + "\r\nEmpty link\r\n");
    book.Reload();
    EXPECT_FALSE(book.Open(-1));
    EXPECT_FALSE(book.Open(4));
    EXPECT_FALSE(book.Open(0));
    EXPECT_TRUE(book.Open(1));
    EXPECT_EQ(seams.shell.opened, std::vector<std::string>{"http://c/"});
}

TEST_F(LinksMemoryTest, FailedRewriteReportsAndKeepsTheBook) {
    WriteBook(kThree);
    book.Reload();
    // The rewrite's new file cannot be created where a folder stands.
    std::filesystem::create_directory(install.Path(std::string(kBook) + ".new~"));
    EXPECT_THROW(book.DeleteOne(0), veltod::FileError);
    EXPECT_THROW(book.DeleteAll(), veltod::FileError);
    EXPECT_EQ(Book(), kThree);
}

}  // namespace
