#include <gtest/gtest.h>

#include <filesystem>

#include "core/catalogue/catalogue_search.h"
#include "core/platform/errors.h"
#include "core/records/record_file.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

using namespace veltod;
using veltod::test::CategoryList;
using veltod::test::Entry;
using veltod::test::EntryList;

namespace {

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        // The last record, code 20, is the highest code searched.
        install.Write("Resources/Categ.txt",
                      CategoryList({{1, 0, 0, "Top"}, {2, 1, 1, "Sub"}, {30, 0, 0, "Late"}, {20, 0, 0, "Last"}}));
        for (const char* mode : {"1", "2", "3"}) install.Write(std::string("Resources/0.") + mode + "cat", "14\r\n");
    }

    void History(int code, const std::string& mode, const std::vector<std::vector<std::string>>& oldest_first) {
        install.Write("Resources/" + std::to_string(code) + "." + mode + "cat", EntryList(oldest_first));
    }

    // Names of a results list in the order the day news window shows them.
    std::vector<std::string> Found(const std::string& mode) {
        RecordTable table;
        ReadRecordFile("../Resources/Encontro." + mode + "cat", table);
        std::vector<std::string> names;
        for (size_t row = 0; row < table.RowCount(); ++row) names.push_back(table.FieldString(row, 0));
        return names;
    }

    veltod::test::ScratchInstallation install;
};

}  // namespace

TEST_F(Search, FindsNamesByCodeThenFileOrderInEveryKind) {
    History(2, "1", {Entry("Zip Tool", "2"), Entry("Unzipper", "2")});
    History(1, "1", {Entry("ZIP maker", "1"), Entry("Paint", "1"), Entry("gzip", "1")});
    History(1, "3", {Entry("Free ZIP", "1")});
    SearchCatalogue("zip");

    EXPECT_EQ(install.Read("Resources/Encontro.1cat").substr(0, 15), "14\r\nZIP maker\r\n");
    // Read back newest first: the highest code first, its newest entry first.
    EXPECT_EQ(Found("1"), (std::vector<std::string>{"Unzipper", "Zip Tool", "gzip", "ZIP maker"}));
    EXPECT_EQ(install.Read("Resources/Encontro.2cat"), "14\r\n");
    EXPECT_EQ(Found("3"), (std::vector<std::string>{"Free ZIP"}));

    RecordTable table;
    ReadRecordFile("../Resources/Encontro.1cat", table);
    EXPECT_EQ(table.Row(3), Entry("ZIP maker", "1")) << "every field is copied";
}

TEST_F(Search, MatchesOnlyNamesWithPlainLettersFoldedAndEmptyTextFindsNothing) {
    History(1, "2", {Entry("\xC9" "diteur", "1"), Entry("editor", "1"), Entry("Notes", "1"),
                     {"Player", "", "", "", "", "", "", "a great editor"}});
    SearchCatalogue("EDIT");
    EXPECT_EQ(Found("2"), (std::vector<std::string>{"editor"})) << "the description is not searched";

    SearchCatalogue("\xE9" "dit");  // lower-case accented letter finds only itself
    EXPECT_TRUE(Found("2").empty());
    SearchCatalogue("\xC9" "DIT");
    EXPECT_EQ(Found("2"), (std::vector<std::string>{"\xC9" "diteur"}));

    SearchCatalogue("");
    for (const char* mode : {"1", "2", "3"})
        EXPECT_EQ(install.Read(std::string("Resources/Encontro.") + mode + "cat"), "14\r\n");
}

TEST_F(Search, SearchesOnlyCodesFromOneToTheLastRecordsCode) {
    install.Write("Resources/0.1cat", "14\r\n" + EntryList({Entry("Header tool", "0")}).substr(4));
    History(30, "1", {Entry("Tool above", "30")});
    History(20, "1", {Entry("Tool at top", "20")});
    History(-3, "1", {Entry("Tool below", "-3")});
    SearchCatalogue("tool");
    EXPECT_EQ(Found("1"), (std::vector<std::string>{"Tool at top"}));
}

TEST_F(Search, ASecondSearchReplacesEveryResultsList) {
    History(1, "1", {Entry("Alpha", "1")});
    History(1, "2", {Entry("Alpha two", "1"), Entry("Beta", "1")});
    History(1, "3", {Entry("Alpha three", "1")});
    SearchCatalogue("alpha");
    EXPECT_EQ(Found("2"), (std::vector<std::string>{"Alpha two"}));
    SearchCatalogue("beta");
    EXPECT_TRUE(Found("1").empty());
    EXPECT_EQ(Found("2"), (std::vector<std::string>{"Beta"}));
    EXPECT_TRUE(Found("3").empty());
}

TEST_F(Search, ResultsKeepTheHeaderWidthWhateverTheHistoryListsWidth) {
    // Older lists hold 3 fields, newer ones 16; results stay 14 wide so that
    // the day news window reads them record by record.
    install.Write("Resources/1.1cat", "3\r\nNarrow app\r\nu\r\ns\r\nOther\r\nu\r\ns\r\n");
    std::vector<std::string> wide = Entry("Wide app", "2");
    wide.push_back("extra 1");
    wide.push_back("extra 2");
    install.Write("Resources/2.1cat", EntryList({wide}, 16));
    // A list cut off inside its last record.
    install.Write("Resources/20.1cat", "14\r\nCut app\r\nhttp://x\r\n");
    SearchCatalogue("app");

    RecordTable table;
    ReadRecordFile("../Resources/Encontro.1cat", table);
    ASSERT_EQ(table.Width(), 14u);
    ASSERT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(table.Row(0), (std::vector<std::string>{"Cut app", "http://x", "", "", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(table.Row(1), Entry("Wide app", "2"));
    EXPECT_EQ(table.Row(2), (std::vector<std::string>{"Narrow app", "u", "s", "", "", "", "", "", "", "", "", "", "", ""}));
}

TEST_F(Search, ErrorsStopTheSearchAndKeepEarlierResults) {
    History(1, "1", {Entry("Alpha", "1")});
    History(1, "2", {Entry("Alpha", "1")});
    SearchCatalogue("alpha");
    const std::string earlier = install.Read("Resources/Encontro.2cat");

    install.Write("Resources/1.2cat", "many\r\nAlpha\r\n");
    History(1, "1", {Entry("Alpha new", "1")});
    EXPECT_THROW(SearchCatalogue("alpha"), ConvertError);
    EXPECT_EQ(Found("1"), (std::vector<std::string>{"Alpha new"})) << "kinds done before the error stay written";
    EXPECT_EQ(install.Read("Resources/Encontro.2cat"), earlier) << "the failed kind keeps its last results";
    EXPECT_FALSE(std::filesystem::exists(install.Root() / "Resources/Encontro.2cat.new~"));

    std::remove(install.Path("Resources/0.3cat").c_str());
    install.Write("Resources/1.2cat", EntryList({Entry("Alpha", "1")}));
    EXPECT_THROW(SearchCatalogue("alpha"), FileError);

    std::remove(install.Path("Resources/Categ.txt").c_str());
    EXPECT_THROW(SearchCatalogue("alpha"), FileError);
}

TEST(SearchText, FoldsOnlyPlainLetters) {
    EXPECT_EQ(UpperAscii("abz{AZ`\xE9\xFF"), "ABZ{AZ`\xE9\xFF");
    EXPECT_TRUE(NameMatches("My Zip", "ZIP"));
    EXPECT_TRUE(NameMatches("zip", "ZIP"));
    EXPECT_FALSE(NameMatches("zi", "ZIP"));
    EXPECT_FALSE(NameMatches("anything", ""));
    EXPECT_TRUE(NameMatches("aaab", "AAB")) << "a failed partial match must not skip the real one";
}

TEST_F(Search, CountsMatchesPerKindAndAStoppedSearchLeavesTheListsAsTheyWere) {
    History(2, "1", {Entry("Zip Tool", "2"), Entry("Unzipper", "2")});
    History(1, "1", {Entry("ZIP maker", "1"), Entry("Paint", "1")});
    History(1, "3", {Entry("Free ZIP", "1")});
    const auto found = SearchCatalogue("zip");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->by_kind, (std::array<size_t, 3>{3, 0, 1}));
    EXPECT_EQ(SearchCatalogue("nothing")->by_kind, (std::array<size_t, 3>{0, 0, 0}));

    // A search stopped before it began writes nothing and tells nothing.
    SearchCatalogue("zip");
    const std::string before = install.Read("Resources/Encontro.1cat");
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(SearchCatalogue("paint", &stop));
    for (const char* mode : {"1", "2", "3"})
        EXPECT_EQ(install.Read(std::string("Resources/Encontro.") + mode + "cat").substr(0, 4), "14\r\n") << mode;
    EXPECT_EQ(install.Read("Resources/Encontro.1cat"), before);
    EXPECT_FALSE(std::filesystem::exists(install.Path("Resources/Encontro.1cat.new~")));
}

TEST(NothingMatchedText, SaysUnderWhichKindsSomethingWasFound) {
    struct Case {
        std::array<size_t, 3> found;
        const char* mode;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 0}, "1", "Nothing matched \"zip\" under Demo, Share or Free"},
        {{0, 3, 0}, "1", "Nothing matched \"zip\" under Demo; found under Share (3)"},
        {{2, 0, 1}, "2", "Nothing matched \"zip\" under Share; found under Demo (2) and Free (1)"},
        {{5, 4, 0}, "3", "Nothing matched \"zip\" under Free; found under Demo (5) and Share (4)"},
    };
    for (const Case& c : cases) EXPECT_EQ(NothingMatchedText("zip", SearchFound{c.found}, c.mode), c.text);
}
