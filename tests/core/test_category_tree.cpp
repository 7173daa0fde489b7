#include <gtest/gtest.h>

#include <filesystem>

#include "core/catalogue/category_tree.h"
#include "core/platform/errors.h"
#include "core/records/record_file.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

using namespace veltod;
using veltod::test::CategoryList;
using veltod::test::Entry;
using veltod::test::EntryList;

namespace {

CategoryLevels Levels(const std::vector<veltod::test::CategoryLine>& lines) {
    RecordTable table;
    ParseRecordBytes(CategoryList(lines), table);
    CategoryLevels levels;
    BuildCategoryLevels(table, levels);
    return levels;
}

RecordTable Entries(const std::vector<std::vector<std::string>>& oldest_first) {
    RecordTable table;
    ParseRecordBytes(EntryList(oldest_first), table);
    return table;
}

// "name(child,child)" for each top node, children likewise.
std::string Render(const std::vector<CategoryNode>& nodes) {
    std::string text;
    for (const auto& node : nodes) {
        if (!text.empty()) text += ",";
        text += node.name;
        if (!node.children.empty()) text += "(" + Render(node.children) + ")";
    }
    return text;
}

// Software > Utilities > Disk tools, and a second top category Games.
const std::vector<veltod::test::CategoryLine> kFamily = {
    {1, 0, 0, "Software"}, {2, 1, 1, "Utilities"}, {3, 2, 2, "Disk tools"}, {4, 0, 0, "Games"}, {5, 4, 1, "Puzzles"}};

}  // namespace

TEST(CategoryLevels, FollowReaderOrderAndKeepEmptyLevelsBetween) {
    const CategoryLevels levels = Levels({{1, 0, 0, "Top A"}, {7, 1, 3, "Deep"}, {2, 0, 0, "Top B"}});
    ASSERT_EQ(levels.size(), 4u);
    ASSERT_EQ(levels[0].size(), 2u);
    EXPECT_EQ(levels[0][0].name, "Top B");  // last record of the file first
    EXPECT_EQ(levels[0][1].code, 1);
    EXPECT_TRUE(levels[1].empty());
    EXPECT_TRUE(levels[2].empty());
    ASSERT_EQ(levels[3].size(), 1u);
    EXPECT_EQ(levels[3][0].code, 7);
    EXPECT_EQ(levels[3][0].parent, 1);
}

TEST(CategoryLevels, OddRecordsAreSkippedOrRefusedWithoutHarm) {
    RecordTable table;
    // A top category with no parent written, a negative level, an absurd level.
    ParseRecordBytes("4\r\n1\r\n\r\n0\r\nTop\r\n2\r\n1\r\n-1\r\nBad\r\n3\r\n1\r\n99999\r\nFar\r\n", table);
    CategoryLevels levels;
    BuildCategoryLevels(table, levels);
    ASSERT_EQ(levels.size(), 1u);
    ASSERT_EQ(levels[0].size(), 1u);
    EXPECT_EQ(levels[0][0].name, "Top");

    RecordTable broken;
    ParseRecordBytes("4\r\n1\r\n0\r\n0\r\nTop\r\nX\r\n1\r\n1\r\nBad code\r\n", broken);
    EXPECT_THROW(BuildCategoryLevels(broken, levels), ConvertError);
    ASSERT_EQ(levels.size(), 1u) << "a refused list leaves the earlier levels";
    EXPECT_EQ(levels[0][0].name, "Top");

    RecordTable empty;
    BuildCategoryLevels(empty, levels);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_TRUE(levels[0].empty());
    EXPECT_TRUE(BuildCategoryTree(levels, BlankMarks(levels)).empty());
}

TEST(CategoryMarking, EntriesOfALevelTwoCategoryShowItUnderItsAncestors) {
    const CategoryLevels levels = Levels(kFamily);
    const MarkTable marks = EntryMarks(levels, Entries({Entry("Defrag", "3"), Entry("Defrag 2", "3")}));
    EXPECT_EQ(marks[0], (std::vector<int16_t>{99, 100}));  // Games, Software
    EXPECT_EQ(marks[1], (std::vector<int16_t>{99, 100}));  // Puzzles, Utilities
    EXPECT_EQ(marks[2], (std::vector<int16_t>{100}));
    EXPECT_EQ(Render(BuildCategoryTree(levels, marks)), "Software(Utilities(Disk tools))");
}

TEST(CategoryMarking, UnknownCategoriesAndOrphansAreNeverShown) {
    // 9 names a parent that does not exist; entries of 42 match no category.
    std::vector<veltod::test::CategoryLine> lines = kFamily;
    lines.push_back({8, 77, 1, "Orphan"});
    lines.push_back({9, 8, 2, "Orphan child"});
    const CategoryLevels levels = Levels(lines);
    const MarkTable marks = EntryMarks(levels, Entries({Entry("Lost", "42"), Entry("Stray", "9"), Entry("Kid", "5")}));
    EXPECT_EQ(Render(BuildCategoryTree(levels, marks)), "Games(Puzzles)");

    EXPECT_TRUE(BuildCategoryTree(levels, EntryMarks(levels, RecordTable{})).empty()) << "no entries, no tree";
    EXPECT_THROW(EntryMarks(levels, Entries({Entry("Odd", "three")})), ConvertError);
}

TEST(CategoryTree, SiblingsSortByNameAndSameNamesBothAppear) {
    const CategoryLevels levels = Levels({{1, 0, 0, "beta"},
                                          {2, 0, 0, "Alpha"},
                                          {3, 0, 0, "Gamma"},
                                          {4, 0, 0, "alpha"},
                                          {5, 1, 1, "zed"},
                                          {6, 1, 1, "Echo"},
                                          {7, 1, 1, "Echo"}});
    MarkTable marks = BlankMarks(levels);
    MarkCodes(levels, {1, 2, 3, 4, 5, 6, 7}, marks);
    const auto tree = BuildCategoryTree(levels, marks);
    // Case does not order names; equal names keep the reader's order.
    EXPECT_EQ(Render(tree), "alpha,Alpha,beta(Echo,Echo,zed),Gamma");
    ASSERT_EQ(tree[2].children.size(), 3u);
    EXPECT_EQ(tree[2].children[0].code, 7);
    EXPECT_EQ(tree[2].children[1].code, 6);
}

TEST(CategoryTree, FlatListGivesFlatTreeAndLevelsPastSixStayHidden) {
    const CategoryLevels flat = Levels({{1, 0, 0, "B"}, {2, 0, 0, "A"}});
    MarkTable flat_marks = BlankMarks(flat);
    MarkCodes(flat, {1, 2}, flat_marks);
    EXPECT_EQ(Render(BuildCategoryTree(flat, flat_marks)), "A,B");

    std::vector<veltod::test::CategoryLine> chain;
    for (int level = 0; level <= 8; ++level) chain.push_back({level + 1, level, level, "L" + std::to_string(level)});
    const CategoryLevels levels = Levels(chain);
    const MarkTable marks = EntryMarks(levels, Entries({Entry("Deep", "9")}));  // level 8 only
    EXPECT_EQ(Render(BuildCategoryTree(levels, marks)), "L0(L1(L2(L3(L4(L5(L6))))))");
}

TEST(CategoryFilter, KeepsOnlyTheCategoryItselfInListOrder) {
    const RecordTable week = Entries({Entry("Old", "3"), Entry("Child", "4"), Entry("New", "3"), Entry("Other", "30")});
    const RecordTable chosen = EntriesOfCategory(week, 3);
    ASSERT_EQ(chosen.RowCount(), 2u);
    EXPECT_EQ(chosen.Field(0, 0), "New");
    EXPECT_EQ(chosen.Field(1, 0), "Old");
    EXPECT_EQ(chosen.Width(), 14u);
    EXPECT_EQ(EntriesOfCategory(week, 1).RowCount(), 0u);
}

TEST(HistoryLists, OnlyNamesOfTheHistoryRuleCount) {
    veltod::test::ScratchInstallation install;
    for (const char* name : {"12.1cat", "3.1cat", "7.2cat", "40000.3cat", "0.1cat", "012.1cat", "5.4cat", "x.1cat",
                             "5.1cat.new~", "Encontro.1cat", "today.1cat", "6.1txt"})
        install.Write(std::string("Resources/") + name, "14\r\n");
    std::filesystem::create_directory(install.Root() / "Resources" / "9.2cat");

    const HistoryCodes codes = ListHistoryCodes();
    EXPECT_EQ(codes.by_mode[0], (std::vector<int32_t>{0, 3, 12}));
    EXPECT_EQ(codes.by_mode[1], (std::vector<int32_t>{7}));
    EXPECT_EQ(codes.by_mode[2], (std::vector<int32_t>{40000}));
    EXPECT_EQ(HistoryListPath(12, "1"), "../Resources/12.1cat");
    EXPECT_EQ(WeekListPath("2"), "../Resources/S0100000.2txt");
    EXPECT_THROW(ListHistoryCodes("../NoSuchFolder"), FileError);
}
