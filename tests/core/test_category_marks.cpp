#include <gtest/gtest.h>

#include "core/catalogue/category_marks.h"
#include "core/platform/errors.h"
#include "core/view/process_state.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

using namespace veltod;
using veltod::test::CategoryList;

namespace {

class ComputeMarks : public ::testing::Test {
protected:
    void SetUp() override {
        State() = ProcessState{};
        CategoryMarks() = CategoryMarkSet{};
        // Reader order: Puzzles, Games, Disk tools, Utilities, Software.
        install.Write("Resources/Categ.txt", CategoryList({{1, 0, 0, "Software"},
                                                           {2, 1, 1, "Utilities"},
                                                           {3, 2, 2, "Disk tools"},
                                                           {4, 0, 0, "Games"},
                                                           {5, 4, 1, "Puzzles"}}));
    }
    veltod::test::ScratchInstallation install;
};

}  // namespace

TEST_F(ComputeMarks, ALevelTwoListMarksItsAncestorsInItsOwnKindOnly) {
    install.Write("Resources/3.2cat", "14\r\n");
    EXPECT_EQ(ComputeCategoryMarks(), "ok");
    EXPECT_EQ(State().CategoryMarksLoaded, "si");

    const auto& set = CategoryMarks();
    ASSERT_EQ(set.levels.size(), 3u);
    EXPECT_EQ(set.levels[0][0].name, "Games");
    const MarkTable all_empty = BlankMarks(set.levels);
    EXPECT_EQ(set.marks[0], all_empty);
    EXPECT_EQ(set.marks[2], all_empty);
    EXPECT_EQ(set.marks[1], (MarkTable{{99, 100}, {99, 100}, {100}}));
    EXPECT_EQ(MarksOfMode("2"), &set.marks[1]);
    EXPECT_EQ(MarksOfMode("4"), nullptr);
    EXPECT_EQ(MarksOfMode(""), nullptr);
}

TEST_F(ComputeMarks, EachRunReplacesTheMarksOfTheRunBefore) {
    install.Write("Resources/5.1cat", "14\r\n");
    ComputeCategoryMarks();
    EXPECT_EQ(CategoryMarks().marks[0][0], (std::vector<int16_t>{100, 99}));

    std::remove(install.Path("Resources/5.1cat").c_str());
    install.Write("Resources/1.3cat", "14\r\n");
    install.Write("Resources/3.3cat", "14\r\n");
    ComputeCategoryMarks();
    EXPECT_EQ(CategoryMarks().marks[0], BlankMarks(CategoryMarks().levels));
    EXPECT_EQ(CategoryMarks().marks[2], (MarkTable{{99, 100}, {99, 100}, {100}}));
}

TEST_F(ComputeMarks, AnEmptyCategoryListGivesEmptyTables) {
    install.Write("Resources/Categ.txt", "4\r\n");
    install.Write("Resources/1.1cat", "14\r\n");
    ComputeCategoryMarks();
    const auto& set = CategoryMarks();
    ASSERT_EQ(set.levels.size(), 1u);
    EXPECT_TRUE(set.levels[0].empty());
    for (const auto& marks : set.marks) EXPECT_EQ(marks, (MarkTable{{}}));
}

TEST_F(ComputeMarks, AFailedRunKeepsTheOldMarksAndTheFlag) {
    install.Write("Resources/2.1cat", "14\r\n");
    ComputeCategoryMarks();
    const CategoryMarkSet before = CategoryMarks();
    State().CategoryMarksLoaded = "no";

    install.Write("Resources/Categ.txt", "4\r\n1\r\n0\r\nzero\r\nBroken\r\n");
    EXPECT_THROW(ComputeCategoryMarks(), ConvertError);
    std::remove(install.Path("Resources/Categ.txt").c_str());
    EXPECT_THROW(ComputeCategoryMarks(), FileError);

    EXPECT_EQ(State().CategoryMarksLoaded, "no");
    EXPECT_EQ(CategoryMarks().marks[0], before.marks[0]);
    EXPECT_EQ(CategoryMarks().levels.size(), before.levels.size());
}
