#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/daynews/day_news_keys.h"
#include "core/daynews/day_news_model.h"
#include "core/platform/errors.h"
#include "core/records/record_file.h"
#include "core/view/process_state.h"
#include "support/fake_seams.h"
#include "support/temp_dir.h"

using namespace veltod;

namespace {

class SetProbe : public FileProbe {
public:
    bool Exists(const std::string& path) const override { return present.count(path) > 0; }
    std::set<std::string> present;
};

// Records what the model tells the window; pictures are "loaded" by name.
class RecordingView : public DayNewsView {
public:
    struct Page {
        int rows, height, left, top;
    };
    struct Message {
        std::string text;
        Rgb colour;
    };
    struct Details {
        size_t row;
        DetailsAnchor anchor;
        std::string name;
    };

    void SetRowPicture(int row, const std::string& path) override {
        if (!loadable.empty() && loadable.count(path) == 0) throw FileError("cannot load " + path);
        pictures[row] = path;
    }
    void SetRowCaption(int row, std::string_view text) override { captions[row] = std::string(text); }
    void SetRowColour(int row, Rgb colour) override { colours[row] = colour; }
    void SetRowState(int row, std::string_view state) override { states[row] = std::string(state); }
    void SetRowMarker(int row, std::string_view marker) override { markers[row] = std::string(marker); }
    void SetRowVisible(int row, bool visible) override { visibility[row] = visible; }
    int RowHeight() const override { return row_height; }
    void SetPage(int rows, int height, int left, int top) override { pages.push_back({rows, height, left, top}); }
    int WindowLeft() const override { return pages.empty() ? 0 : pages.back().left; }
    int WindowTop() const override { return pages.empty() ? 0 : pages.back().top; }
    void ShowMessage(std::string_view text, Rgb colour) override { messages.push_back({std::string(text), colour}); }
    void OpenDetails(const RecordTable& list, size_t row, DetailsAnchor anchor) override {
        details.push_back({row, anchor, list.FieldString(row, 0)});
    }

    int row_height = 10;
    std::set<std::string> loadable;  // empty: every picture loads
    std::map<int, std::string> pictures, captions, states, markers;
    std::map<int, Rgb> colours;
    std::map<int, bool> visibility;
    std::vector<Page> pages;
    std::vector<Message> messages;
    std::vector<Details> details;
};

std::vector<std::string> Entry(int i, const std::string& colour = "1", const std::string& note = "") {
    std::vector<std::string> fields(14);
    fields[0] = "Program " + std::to_string(i);
    fields[8] = colour;
    fields[13] = note.empty() ? "Note " + std::to_string(i) : note;
    return fields;
}

// A list file whose newest record (shown first) is "Program 0".
void WriteList(const std::string& path, int count) {
    std::vector<std::vector<std::string>> oldest_first;
    for (int i = count - 1; i >= 0; --i) oldest_first.push_back(Entry(i));
    WriteRecordFile(path, 14, oldest_first);
}

class DayNewsModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        State() = ProcessState{};
        // At 1024x768 pages are 667 pixels high: 67-pixel rows give R = 10.
        view.row_height = 67;
    }
    void Load(int count, const std::string& file = "../Resources/today.1cat") {
        WriteList(file, count);
        State().DayListFile = file;
        model.LoadDayList();
    }
    // Captions of the shown rows, "more"/"back" for the paging rows.
    std::vector<std::string> ShownRows() const {
        std::vector<std::string> shown;
        for (int k = 1; k <= model.RowsShown(); ++k) {
            const DayRow& row = model.Row(k);
            if (row.marker == "9999") shown.push_back("more");
            else if (row.marker == "9998") shown.push_back("back");
            else shown.push_back(row.caption);
        }
        return shown;
    }
    void ExpectViewMatchesModel() const {
        for (int k = 1; k <= model.RowsShown(); ++k) {
            EXPECT_EQ(view.pictures.at(k), model.Row(k).picture) << k;
            EXPECT_EQ(view.states.at(k), model.Row(k).state) << k;
            EXPECT_EQ(view.markers.at(k), model.Row(k).marker) << k;
        }
        for (int k = std::max(2, model.RowsShown() + 1); k <= kDayRows; ++k) EXPECT_FALSE(view.visibility.at(k)) << k;
    }

    test::ScratchInstallation install;
    test::SeamsGuard seams;
    SetProbe files;
    RecordingView view;
    DayNewsModel model{view, files};
};

std::vector<std::string> Programs(int first, int last) {
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i) names.push_back("Program " + std::to_string(i));
    return names;
}

std::vector<std::string> Cat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(RowsPerPage, RoundsHalfToEvenAndIsCapped) {
    EXPECT_EQ(RowsPerPage(165, 10), 16);
    EXPECT_EQ(RowsPerPage(175, 10), 18);
    EXPECT_EQ(RowsPerPage(174, 10), 17);
    EXPECT_EQ(RowsPerPage(176, 10), 18);
    EXPECT_EQ(RowsPerPage(405, 10), 40);
    EXPECT_EQ(RowsPerPage(1099, 10), 40);
    EXPECT_EQ(RowsPerPage(667, 67), 10);
    // Too tall a row, or none at all, still leaves a page that can be paged.
    EXPECT_EQ(RowsPerPage(379, 300), 3);
    EXPECT_EQ(RowsPerPage(379, 0), 40);
}

// A page of a computed layout fills the height the layout gives it; a tabled
// screen keeps its page of at most 40 rows.
TEST_F(DayNewsModelTest, ComputedLayoutsPageTheirWholeHeight) {
    view.row_height = 17;
    const struct {
        int width, height, rows;
    } screens[] = {{1920, 1080, 58}, {2560, 1440, 79}, {1366, 768, 39}, {1280, 1024, 40}, {1600, 1200, 40}};
    for (const auto& screen : screens) {
        seams.screen.Set(screen.width, screen.height);
        Load(300);
        EXPECT_EQ(model.PageRows(), screen.rows) << screen.width << "x" << screen.height;
        EXPECT_EQ(model.RowsShown(), screen.rows) << screen.width << "x" << screen.height;
    }
    EXPECT_EQ(RowsPerPage(99999, 1, 1000), kDayRows);
}

TEST(DayPictureFile, NumberedPicturesFallBackToThePlainPictureOfTheMode) {
    SetProbe files;
    files.present = {"../Resources/dayarr0071.gif", "../Resources/dayund0071.gif", "../Resources/dayarr9992.gif",
                     "../Resources/dayarrmore.gif"};
    EXPECT_EQ(DayPictureFile("DayNewsARR", 7, "1", files), "../Resources/dayarr0071.gif");
    EXPECT_EQ(DayPictureFile("DayNewsUND", 7, "1", files), "../Resources/dayund0071.gif");
    EXPECT_EQ(DayPictureFile("DayNewsARR", 8, "1", files), "../Resources/dayarr0001.gif");
    EXPECT_EQ(DayPictureFile("DayNewsARR", 7, "2", files), "../Resources/dayarr0002.gif");
    EXPECT_EQ(DayPictureFile("DayNewsARR", 999, "2", files), "../Resources/dayarr9992.gif");
    // Four digits form no numbered name at all.
    files.present.insert("../Resources/dayarr10002.gif");
    EXPECT_EQ(DayPictureFile("DayNewsARR", 1000, "2", files), "../Resources/dayarr0002.gif");
    EXPECT_EQ(DayPictureFile("DayNoneARR", 7, "3", files), "../Resources/dayarr0003.gif");
    EXPECT_EQ(DayPictureFile("DayNoneUND", 7, "3", files), "../Resources/dayund0003.gif");
    EXPECT_EQ(DayPictureFile("Dayarrmore", 0, "3", files), "../Resources/dayarrmore.gif");
    EXPECT_EQ(DayPictureFile("Dayundmore", 0, "3", files), "../Resources/dayund0003.gif");
    EXPECT_EQ(DayPictureFile("Dayarrback", 0, "1", files), "../Resources/dayarr0001.gif");
    EXPECT_EQ(DayPictureFile("Dayundback", 0, "1", files), "../Resources/dayund0001.gif");
    EXPECT_THROW(DayPictureFile("DayOther", 1, "1", files), std::invalid_argument);
}

// What a start decodes ahead is what the first page loads, each file once.
TEST(DayPictureFile, FirstPagePicturesAreThePagesRowsOnce) {
    SetProbe files;
    files.present = {"../Resources/dayarr0011.gif", "../Resources/dayarr0031.gif", "../Resources/dayarrmore.gif"};
    EXPECT_EQ(FirstPagePictures("1", 5, files),
              (std::vector<std::string>{"../Resources/dayarr0001.gif", "../Resources/dayarr0011.gif",
                                        "../Resources/dayarr0031.gif", "../Resources/dayarrmore.gif"}));
    files.present.clear();
    EXPECT_EQ(FirstPagePictures("2", 40, files), std::vector<std::string>{"../Resources/dayarr0002.gif"});
}

TEST(MarkerValue, OnlyNonNegativeSixteenBitNumbers) {
    EXPECT_EQ(MarkerValue("0"), 0);
    EXPECT_EQ(MarkerValue("9999"), 9999);
    EXPECT_EQ(MarkerValue(""), -1);
    EXPECT_EQ(MarkerValue("x"), -1);
    EXPECT_EQ(MarkerValue("-4"), -1);
    EXPECT_EQ(MarkerValue("40000"), -1);
}

TEST_F(DayNewsModelTest, ShortListFillsOnePageWithoutPagingRows) {
    Load(3);
    EXPECT_EQ(model.PageRows(), 10);
    EXPECT_EQ(ShownRows(), Programs(0, 2));
    ASSERT_FALSE(view.pages.empty());
    EXPECT_EQ(view.pages.back().rows, 3);
    EXPECT_EQ(view.pages.back().height, 3 * 67);
    EXPECT_EQ(view.pages.back().left, 741);
    EXPECT_EQ(view.pages.back().top, 71);
    EXPECT_EQ(model.Row(2).marker, "1");
    EXPECT_EQ(model.Row(2).state, "bajo");
    ExpectViewMatchesModel();
}

TEST_F(DayNewsModelTest, ExactlyOnePageAndOneEntryMore) {
    Load(10);
    EXPECT_EQ(ShownRows(), Programs(0, 9));
    Load(11);
    EXPECT_EQ(ShownRows(), Cat(Programs(0, 8), {"more"}));
    EXPECT_EQ(model.Row(10).state, "bajoprox");
    EXPECT_EQ(model.Row(10).caption, "");
    model.ClickRow(10);
    EXPECT_EQ(ShownRows(), Cat({"back"}, Programs(9, 10)));
    EXPECT_EQ(model.Row(1).state, "bajoante");
    EXPECT_EQ(view.pages.back().height, 3 * 67);
    ExpectViewMatchesModel();
}

TEST_F(DayNewsModelTest, FollowingPageWithExactlyRMinusOneEntriesHasNoMoreRow) {
    // Page 1 holds entries 0-8, page 2 entries 9-16, page 3 the last nine.
    Load(26);
    model.ClickRow(10);
    EXPECT_EQ(ShownRows(), Cat(Cat({"back"}, Programs(9, 16)), {"more"}));
    model.ClickRow(10);
    EXPECT_EQ(ShownRows(), Cat({"back"}, Programs(17, 25)));
    EXPECT_EQ(model.Row(10).caption, "Program 25");
    EXPECT_EQ(model.Row(10).state, "bajo");
    EXPECT_EQ(view.pages.back().rows, 10);
    ExpectViewMatchesModel();
}

TEST_F(DayNewsModelTest, ForwardToTheLastPageAndBackGivesTheSameRows) {
    files.present = {"../Resources/dayarr0011.gif", "../Resources/dayarrmore.gif", "../Resources/dayarrback.gif"};
    Load(40);
    std::vector<DayRow> first(10);
    for (int k = 1; k <= 10; ++k) first[k - 1] = model.Row(k);
    std::vector<std::vector<std::string>> forward{ShownRows()};
    while (model.Row(model.RowsShown()).marker == "9999") {
        model.ClickRow(model.RowsShown());
        forward.push_back(ShownRows());
    }
    ASSERT_EQ(forward.size(), 5u);  // 9 + 8 + 8 + 8 + 7 entries
    EXPECT_EQ(forward.back(), Cat({"back"}, Programs(33, 39)));
    for (size_t page = forward.size() - 1; page > 0; --page) {
        model.ClickRow(1);
        EXPECT_EQ(ShownRows(), forward[page - 1]) << page;
    }
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(model.Row(k).picture, first[k - 1].picture) << k;
        EXPECT_EQ(model.Row(k).caption, first[k - 1].caption) << k;
        EXPECT_EQ(model.Row(k).marker, first[k - 1].marker) << k;
        EXPECT_EQ(model.Row(k).state, first[k - 1].state) << k;
    }
    ExpectViewMatchesModel();
}

TEST_F(DayNewsModelTest, EmptyListAlsoAfterALongerOne) {
    Load(25);
    model.ClickRow(10);
    StartRecordFile("../Resources/today.1cat", 14);
    model.LoadDayList();
    EXPECT_EQ(model.EntryCount(), 0u);
    EXPECT_EQ(model.RowsShown(), 0);
    EXPECT_EQ(view.pages.back().height, 0);
    for (int k = 2; k <= kDayRows; ++k) EXPECT_FALSE(view.visibility.at(k)) << k;
    // Row 1 still holds a marker of the old list; it must not reach an entry.
    model.ClickRow(1);
    model.EnterRow(1);
    EXPECT_TRUE(view.details.empty());
}

TEST_F(DayNewsModelTest, NumberedPicturesUseTheOrdinalInTheWholeList) {
    files.present = {"../Resources/dayarr0101.gif", "../Resources/dayund0101.gif"};
    Load(25);
    model.ClickRow(10);
    // Row 2 of the second page shows entry 9, ordinal 10.
    EXPECT_EQ(model.Row(2).picture, "../Resources/dayarr0101.gif");
    EXPECT_EQ(model.Row(3).picture, "../Resources/dayarr0001.gif");
    model.EnterRow(2);
    EXPECT_EQ(model.Row(2).picture, "../Resources/dayund0101.gif");
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayarr0001.gif");  // no back picture on disk
}

TEST_F(DayNewsModelTest, OrdinalsPastNineHundredNinetyNineUseThePlainPicture) {
    files.present = {"../Resources/dayarr9991.gif"};
    view.row_height = 16;  // R = 40
    Load(1100);
    while (MarkerValue(model.Row(2).marker) < 990) model.ClickRow(40);
    int seen = 0;
    for (int k = 2; k < 40; ++k) {
        const int ordinal = MarkerValue(model.Row(k).marker) + 1;
        if (ordinal == 999) {
            EXPECT_EQ(model.Row(k).picture, "../Resources/dayarr9991.gif");
            ++seen;
        } else if (ordinal >= 1000) {
            EXPECT_EQ(model.Row(k).picture, "../Resources/dayarr0001.gif") << ordinal;
            ++seen;
        }
    }
    EXPECT_GT(seen, 1);
}

TEST_F(DayNewsModelTest, SearchListUsesPlainPicturesOnEveryPage) {
    files.present = {"../Resources/dayarr0012.gif", "../Resources/dayund0012.gif", "../Resources/dayarr0112.gif"};
    State().ListFilterMode = "2";
    Load(12, "../Resources/Encontro.2cat");
    EXPECT_EQ(model.NormalPictureKey(), "DayNoneARR");
    EXPECT_EQ(model.WindowMode(), "2");
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayarr0002.gif");
    model.EnterRow(1);
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayund0002.gif");
    model.ClickRow(10);
    model.EnterRow(3);
    EXPECT_EQ(model.Row(2).picture, "../Resources/dayarr0002.gif");
    EXPECT_EQ(model.Row(3).picture, "../Resources/dayund0002.gif");
    // The same file in another mode is not that mode's search list.
    State().ListFilterMode = "1";
    model.LoadDayList();
    EXPECT_EQ(model.NormalPictureKey(), "DayNewsARR");
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayarr0001.gif");
}

TEST_F(DayNewsModelTest, HoverHighlightsOneEntryRowAndRestoresTheOthers) {
    files.present = {"../Resources/dayarrmore.gif", "../Resources/dayundmore.gif", "../Resources/dayarrback.gif",
                     "../Resources/dayundback.gif"};
    Load(30);
    model.EnterRow(2);
    EXPECT_EQ(model.Row(2).state, "alto");
    EXPECT_EQ(model.Row(2).picture, "../Resources/dayund0001.gif");
    model.EnterRow(2);  // moving within the row changes nothing
    EXPECT_EQ(view.messages.size(), 1u);
    model.EnterRow(3);
    EXPECT_EQ(model.Row(2).state, "bajo");
    EXPECT_EQ(model.Row(2).picture, "../Resources/dayarr0001.gif");
    EXPECT_EQ(model.Row(3).state, "alto");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages.back().text, "Note 2");

    // Onto the more row: the entry row goes back to normal, the message stays.
    model.EnterRow(10);
    EXPECT_EQ(model.Row(3).state, "bajo");
    EXPECT_EQ(model.Row(10).state, "altoprox");
    EXPECT_EQ(model.Row(10).picture, "../Resources/dayundmore.gif");
    EXPECT_EQ(view.messages.size(), 2u);

    model.ClickRow(10);
    EXPECT_EQ(model.Row(10).state, "bajoprox");
    EXPECT_EQ(model.Row(10).picture, "../Resources/dayarrmore.gif");
    // A highlighted back row stays highlighted when the mouse reaches the
    // more row without crossing an entry row, and the reverse.
    model.EnterRow(1);
    EXPECT_EQ(model.Row(1).state, "altoante");
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayundback.gif");
    model.EnterRow(10);
    EXPECT_EQ(model.Row(1).state, "altoante");
    EXPECT_EQ(model.Row(10).state, "altoprox");
    model.EnterRow(1);
    EXPECT_EQ(model.Row(1).state, "altoante");
    EXPECT_EQ(model.Row(10).state, "altoprox");
    // An entry row restores both paging rows.
    model.EnterRow(5);
    EXPECT_EQ(model.Row(1).state, "bajoante");
    EXPECT_EQ(model.Row(1).picture, "../Resources/dayarrback.gif");
    EXPECT_EQ(model.Row(10).state, "bajoprox");
    EXPECT_EQ(model.Row(10).picture, "../Resources/dayarrmore.gif");
    EXPECT_EQ(model.Row(5).state, "alto");
    EXPECT_EQ(view.messages.back().text, "Note 12");
    ExpectViewMatchesModel();
}

TEST_F(DayNewsModelTest, MessageColourPrefixRules) {
    std::vector<std::vector<std::string>> oldest_first = {Entry(3, "1", "%3"), Entry(2, "1", "%1Hello%"),
                                                           Entry(1, "1", "50% off"), Entry(0, "1", "%3%Hello")};
    WriteRecordFile("../Resources/today.1cat", 14, oldest_first);
    model.LoadDayList();
    for (int k = 1; k <= 4; ++k) model.EnterRow(k);
    ASSERT_EQ(view.messages.size(), 4u);
    EXPECT_EQ(view.messages[0].text, "Hello");
    EXPECT_EQ(view.messages[0].colour, ColourForCode(3));
    EXPECT_EQ(view.messages[1].text, "50% off");
    EXPECT_EQ(view.messages[1].colour, 0xCCCC00u);
    EXPECT_EQ(view.messages[2].text, "%1Hello%");
    EXPECT_EQ(view.messages[2].colour, 0xCCCC00u);
    EXPECT_EQ(view.messages[3].text, "%3");
}

TEST_F(DayNewsModelTest, CaptionColoursComeFromTheColourCode) {
    WriteRecordFile("../Resources/today.1cat", 14, {Entry(2, "red"), Entry(1, "13"), Entry(0, "9")});
    model.LoadDayList();
    EXPECT_EQ(view.colours.at(1), 0x800000u);
    EXPECT_EQ(view.colours.at(2), 0xFF0000u);
    // Not a number: the table's default colour, and the page is complete.
    EXPECT_EQ(view.colours.at(3), 0xFFFFFFu);
    EXPECT_EQ(model.RowsShown(), 3);
}

TEST_F(DayNewsModelTest, ClickOnAnEntryOpensItsDetailsAtTheRow) {
    Load(30);
    model.ClickRow(10);
    model.ClickRow(4);
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0].row, 11u);
    EXPECT_EQ(view.details[0].name, "Program 11");
    EXPECT_EQ(view.details[0].anchor.top, 71 + 3 * 67);
    EXPECT_EQ(view.details[0].anchor.right, 741);
}

TEST_F(DayNewsModelTest, FailedLoadKeepsTheListAndTheRows) {
    Load(12);
    model.ClickRow(10);
    const std::vector<std::string> before = ShownRows();
    State().DayListFile = "../Resources/Encontro.1cat";
    EXPECT_THROW(model.LoadDayList(), FileError);
    EXPECT_EQ(ShownRows(), before);
    EXPECT_EQ(model.NormalPictureKey(), "DayNewsARR");
    install.Write("Resources/Encontro.1cat", "fourteen\r\n");
    EXPECT_THROW(model.LoadDayList(), ConvertError);
    EXPECT_EQ(ShownRows(), before);
    EXPECT_EQ(model.EntryCount(), 12u);
    model.ClickRow(3);
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0].name, "Program 10");
}

TEST_F(DayNewsModelTest, MissingFallbackPictureLeavesTheRowsAsTheyWere) {
    Load(12);
    const std::vector<std::string> before = ShownRows();
    WriteList("../Resources/today.1cat", 3);
    view.loadable = {"../Resources/dayarr0002.gif"};
    EXPECT_THROW(model.LoadDayList(), FileError);
    EXPECT_EQ(ShownRows(), before);
    EXPECT_EQ(model.EntryCount(), 12u);
}

TEST_F(DayNewsModelTest, ListsLongerThanTheMarkersCanAddressAreCut) {
    view.row_height = 16;  // R = 40
    Load(10005);
    EXPECT_EQ(model.EntryCount(), 9998u);
    while (model.Row(model.RowsShown()).marker == "9999") model.ClickRow(model.RowsShown());
    EXPECT_EQ(model.Row(model.RowsShown()).caption, "Program 9997");
    model.ClickRow(model.RowsShown());  // an entry row, not a paging row
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0].row, 9997u);
}

TEST_F(DayNewsModelTest, ScreenChangeBetweenPagesKeepsPagingConsistent) {
    Load(40);
    model.ClickRow(10);
    model.ClickRow(10);  // entries 17-24 on the third page
    seams.screen.Set(1280, 1024);  // 923-pixel pages: R = 14
    model.ClickRow(1);
    EXPECT_EQ(model.PageRows(), 14);
    EXPECT_EQ(ShownRows(), Cat(Cat({"back"}, Programs(5, 16)), {"more"}));
    model.ClickRow(1);
    EXPECT_EQ(ShownRows(), Cat(Programs(0, 12), {"more"}));
    model.ClickRow(14);
    EXPECT_EQ(ShownRows(), Cat(Cat({"back"}, Programs(13, 24)), {"more"}));
    seams.screen.Set(1024, 768);
    model.ClickRow(14);
    EXPECT_EQ(ShownRows(), Cat(Cat({"back"}, Programs(25, 32)), {"more"}));
}

// Rewrites the first entry's name in place, keeping the file's size and time:
// a reader that trusts its earlier read still shows "Program 0".
void RenameFirstEntryInPlace(test::ScratchInstallation& install) {
    const std::string path = install.Path("Resources/today.1cat");
    const auto time = std::filesystem::last_write_time(path);
    std::string bytes = install.Read("Resources/today.1cat");
    bytes.replace(bytes.find("Program 0"), 9, "Program X");
    {
        std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << bytes;
    }
    std::filesystem::last_write_time(path, time);
}

TEST_F(DayNewsModelTest, AReadAheadIsTakenOnlyWhileItsFileIsUnchanged) {
    const std::string path = install.Path("Resources/today.1cat");
    State().DayListFile = "../Resources/today.1cat";
    struct Case {
        const char* name;
        std::function<void()> after_read;
        const char* first_shown;
    };
    const Case cases[] = {
        {"unchanged", [&] { RenameFirstEntryInPlace(install); }, "Program 0"},
        {"replaced", [&] { WriteList(path, 3); RenameFirstEntryInPlace(install); }, "Program X"},
        {"missing when read", [&] {}, "Program 0"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        if (std::string(c.name) != "missing when read") WriteList(path, 12);
        std::future<ListRead> ahead = ReadListAhead(path);
        ahead.wait();
        if (std::string(c.name) == "missing when read") WriteList(path, 12);
        c.after_read();
        DayNewsModel fresh{view, files};
        fresh.TakeReadAhead(std::move(ahead));
        fresh.LoadDayList();
        EXPECT_EQ(fresh.Row(1).caption, c.first_shown) << c.name;
    }
}

TEST_F(DayNewsModelTest, AListIsReadAgainOnlyWhenItsFileChanged) {
    Load(12);
    const std::string path = install.Path("Resources/today.1cat");
    RenameFirstEntryInPlace(install);
    model.LoadDayList();
    EXPECT_EQ(ShownRows().front(), "Program 0");
    // Replaced whole, then appended to: read again each time.
    Load(3);
    EXPECT_EQ(model.EntryCount(), 3u);
    AppendRecord(path, Entry(3));
    model.LoadDayList();
    EXPECT_EQ(model.EntryCount(), 4u);
    EXPECT_EQ(ShownRows().front(), "Program 3");
}

TEST_F(DayNewsModelTest, KeysMoveThroughRowsAndPageAsThePagingRowsDo) {
    using K = DayKey;
    // 25 entries at ten rows a page: 9 entries and more, back, 8 and more,
    // back and the last 8.
    struct Case {
        const char* what;
        std::vector<K> keys;
        int row;              // the row that has the keyboard afterwards
        std::string shows;    // what that row shows
        std::string opened;   // the entry the details window got, if any
    };
    const Case cases[] = {
        {"down three times", {K::Down, K::Down, K::Down}, 4, "Program 3", ""},
        {"up at the top stays", {K::Up}, 1, "Program 0", ""},
        {"down stops at the more row", std::vector<K>(12, K::Down), 10, "more", ""},
        {"page down", {K::PageDown}, 2, "Program 9", ""},
        {"page down to the last page", {K::PageDown, K::PageDown}, 2, "Program 17", ""},
        {"page down on the last page", {K::PageDown, K::PageDown, K::PageDown}, 9, "Program 24", ""},
        {"page up back to the first", {K::PageDown, K::PageUp}, 1, "Program 0", ""},
        {"up onto the back row", {K::PageDown, K::Up}, 1, "back", ""},
        {"end", {K::End}, 9, "Program 24", ""},
        {"end then home", {K::End, K::Home}, 1, "Program 0", ""},
        {"press on back", {K::End, K::Home, K::PageDown, K::Up, K::Press}, 1, "Program 0", ""},
        {"press an entry", {K::Down, K::Down, K::Down, K::Press}, 4, "Program 3", "Program 3"},
    };
    for (const Case& c : cases) {
        Load(25);
        view.details.clear();
        int row = 1;
        for (const K key : c.keys) row = PressDayKey(model, row, key);
        EXPECT_EQ(row, c.row) << c.what;
        ASSERT_GE(row, 1) << c.what;
        const std::vector<std::string> shown = ShownRows();
        EXPECT_EQ(shown.at(static_cast<size_t>(row - 1)), c.shows) << c.what;
        EXPECT_EQ(view.details.empty() ? "" : view.details.back().name, c.opened) << c.what;
        ExpectViewMatchesModel();
    }
    // Pressing the more row itself pages on, to the first new entry.
    Load(25);
    EXPECT_EQ(PressDayKey(model, 10, K::Press), 2);
    EXPECT_EQ(ShownRows().at(1), "Program 9");
    // An empty list has no row to move to.
    Load(0);
    EXPECT_EQ(PressDayKey(model, 1, K::Down), 0);
}

TEST_F(DayNewsModelTest, RowsHaveSpokenNamesAndTheDayIsToldInWords) {
    Load(25);
    EXPECT_EQ(SpokenRowName(model.Row(4)), "Row 4: Program 3");
    EXPECT_EQ(SpokenRowName(model.Row(10)), "More news");
    model.ShowNextPage();
    EXPECT_EQ(SpokenRowName(model.Row(1)), "Previous news");
    EXPECT_EQ(SpokenRowName(model.Row(2)), "Row 10: Program 9");

    EXPECT_EQ(DayInWords("20261205"), "5 December 2026");
    EXPECT_EQ(DayInWords("20240229"), "29 February 2024");
    for (const char* bad : {"20230229", "20261305", "2026120", "abcdefgh", ""}) EXPECT_EQ(DayInWords(bad), bad);

    // The last applied day, or nothing when it cannot be told.
    EXPECT_FALSE(LastAppliedDay());
    install.Write("Resources/actualizado.fij", "1\r\n20261204\r\n20261205\r\n");
    EXPECT_EQ(LastAppliedDay(), "20261205");
    install.Write("Resources/actualizado.fij", "1\r\nsoon\r\n");
    EXPECT_FALSE(LastAppliedDay());
    install.Write("Resources/actualizado.fij", "x\r\n");
    EXPECT_FALSE(LastAppliedDay());
}
