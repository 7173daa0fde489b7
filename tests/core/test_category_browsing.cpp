#include <gtest/gtest.h>

#include "core/catalogue/category_browsing.h"
#include "core/catalogue/category_marks.h"
#include "core/platform/errors.h"
#include "core/view/process_state.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

using namespace veltod;
using veltod::test::CategoryList;
using veltod::test::Entry;
using veltod::test::EntryList;

namespace {

std::vector<std::string> Names(const std::vector<CategoryNode>& nodes) {
    std::vector<std::string> names;
    for (const auto& node : nodes) names.push_back(node.name);
    return names;
}

std::vector<std::string> Names(const RecordTable& table) {
    std::vector<std::string> names;
    for (size_t row = 0; row < table.RowCount(); ++row) names.push_back(table.FieldString(row, 0));
    return names;
}

class Browsing : public ::testing::Test {
protected:
    void SetUp() override {
        State() = ProcessState{};
        CategoryMarks() = CategoryMarkSet{};
        install.Write("Resources/Categ.txt", CategoryList({{1, 0, 0, "Software"},
                                                           {2, 1, 1, "Utilities"},
                                                           {3, 2, 2, "Disk tools"},
                                                           {4, 0, 0, "Games"}}));
    }
    veltod::test::ScratchInstallation install;
};

}  // namespace

TEST_F(Browsing, WeekTreeShowsDeepEntriesUnderAncestorsThatHoldNone) {
    install.Write("Resources/S0100000.1txt",
                  EntryList({Entry("Old defrag", "3"), Entry("Chess", "4"), Entry("New defrag", "3")}));
    WeekNewsBrowser week;
    const auto tree = week.Load("1");
    ASSERT_EQ(Names(tree), (std::vector<std::string>{"Games", "Software"}));
    ASSERT_EQ(tree[1].children.size(), 1u);
    ASSERT_EQ(tree[1].children[0].children.size(), 1u);
    EXPECT_EQ(tree[1].children[0].children[0].code, 3);

    EXPECT_EQ(week.Choose(3), ListAction::Show);
    EXPECT_EQ(Names(*week.Chosen()), (std::vector<std::string>{"New defrag", "Old defrag"}));
    const SharedTable shown = week.Chosen();
    EXPECT_EQ(week.Choose(1), ListAction::Hide) << "the grandparent holds no entry of its own";
    EXPECT_TRUE(shown->Empty()) << "the list sees the tree's new content";
}

TEST_F(Browsing, WeekTreeOfAnotherKindAndUnreadableLists) {
    install.Write("Resources/S0100000.2txt", "14\r\n");
    WeekNewsBrowser week;
    EXPECT_TRUE(week.Load("2").empty());
    EXPECT_EQ(week.Choose(1), ListAction::Hide);
    EXPECT_THROW(week.Load("3"), FileError);
    install.Write("Resources/S0100000.3txt", EntryList({Entry("Odd", "x")}));
    EXPECT_THROW(week.Load("3"), ConvertError);
}

TEST_F(Browsing, HistoricTreeFollowsTheMarksOfItsKind) {
    install.Write("Resources/3.2cat", EntryList({Entry("Defrag", "3")}));
    ComputeCategoryMarks();
    HistoricBrowser historic;
    EXPECT_TRUE(historic.Build("1")->empty());
    EXPECT_TRUE(historic.Build("3")->empty());
    EXPECT_EQ(Names(*historic.Build("2")), (std::vector<std::string>{"Software"}));
    EXPECT_FALSE(historic.Build("").has_value());
    EXPECT_FALSE(historic.Build("4").has_value());
}

TEST_F(Browsing, HistoricClickListsOnlyTheCategorysOwnHistory) {
    install.Write("Resources/2.1cat", EntryList({Entry("Old util", "2"), Entry("New util", "2")}));
    install.Write("Resources/3.1cat", EntryList({Entry("Defrag", "3")}));
    install.Write("Resources/4.1cat", "14\r\n");
    HistoricBrowser historic;
    FileListModel list;

    EXPECT_EQ(historic.Choose(2, "1"), ListAction::Show);
    list.Fill(historic.History());
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"New util", "Old util"}));
    EXPECT_EQ(list.RowToOpen(1), 1u);

    // A parent with no list of its own: the file list keeps its names, but
    // the emptied table opens nothing.
    EXPECT_EQ(historic.Choose(1, "1"), ListAction::Nothing);
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"New util", "Old util"}));
    EXPECT_FALSE(list.RowToOpen(0).has_value());

    EXPECT_EQ(historic.Choose(4, "1"), ListAction::Hide) << "a count line only";
    install.Write("Resources/4.1cat", "not a count\r\n");
    EXPECT_THROW(historic.Choose(4, "1"), ConvertError);
    EXPECT_TRUE(historic.History()->Empty());
}

TEST(FileList, NamesNewestFirstAndRowsOnlyInsideTheTable) {
    FileListModel list;
    EXPECT_FALSE(list.RowToOpen(0).has_value());
    {
        auto table = std::make_shared<RecordTable>();
        table->AppendRow(Entry("Third", "1"));
        table->AppendRow(Entry("Second", "1"));
        table->AppendRow(Entry("First", "1"));
        list.Fill(table);
    }
    // The table lives on with the list after its tree is gone.
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"Third", "Second", "First"}));
    EXPECT_EQ(list.RowToOpen(1), 1u);
    EXPECT_FALSE(list.RowToOpen(-1).has_value());
    EXPECT_FALSE(list.RowToOpen(3).has_value());
    list.Fill(nullptr);
    EXPECT_TRUE(list.Names().empty());
}
