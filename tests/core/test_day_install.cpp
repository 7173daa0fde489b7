#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/day_install.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

using test::EntryIds;
using test::ScratchInstallation;

std::vector<std::string> Entry(const std::string& category, const std::string& id, const std::string& name = "Prog") {
    return {name, "http://d/" + id, "1.0", "12", "a", "http://i/" + id, "b", "Text of " + id, "3", category, id, "",
            "xxxxxx--", "note"};
}

// A day list file in bin/ holding entries given oldest first.
std::string WriteDayList(const std::string& day, const std::string& kind,
                         const std::vector<std::vector<std::string>>& entries) {
    const std::string path = "../bin/" + day + "." + kind + "cat";
    WriteRecordFile(path, 14, entries);
    return path;
}

class DayInstall : public ::testing::Test {
protected:
    void SetUp() override {
        WriteRecordFile("../Resources/0.1cat", 14, {});
        WriteRecordFile("../Resources/0.2cat", 14, {});
    }
    ScratchInstallation installation;
};

TEST_F(DayInstall, EightInstallationsKeepTheLastSevenDaysAndTodayEqualsDayFileSeven) {
    for (int i = 1; i <= 8; ++i) {
        const std::string day = "2026110" + std::to_string(i);
        const std::string source = WriteDayList(day, "1", {Entry("5", std::to_string(100 + i))});
        InstallDayList("1", source);
        DeleteFile(source);
    }
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(EntryIds("../Resources/today.1" + std::to_string(n)), std::vector<std::string>{std::to_string(101 + n)})
            << "day file " << n;
    EXPECT_EQ(installation.Read("Resources/today.1cat"), installation.Read("Resources/today.17"));
    EXPECT_FALSE(FileExists("../Resources/today.10"));
    EXPECT_EQ(EntryIds("../Resources/5.1cat"),
              (std::vector<std::string>{"101", "102", "103", "104", "105", "106", "107", "108"}));
}

TEST_F(DayInstall, WeekListHoldsOneCountLineAndTheSevenDaysOldestFirst) {
    const int counts[] = {2, 0, 1, 3, 0, 0, 4};
    int id = 1;
    std::vector<std::string> expected;
    for (int day = 0; day < 7; ++day) {
        std::vector<std::vector<std::string>> entries;
        for (int i = 0; i < counts[day]; ++i) {
            expected.push_back(std::to_string(id));
            entries.push_back(Entry("7", std::to_string(id++)));
        }
        InstallDayList("2", WriteDayList("2026120" + std::to_string(day + 1), "2", entries));
    }
    const std::string week = installation.Read("Resources/S0100000.2txt");
    EXPECT_EQ(week.substr(0, 4), "14\r\n");
    EXPECT_EQ(std::count(week.begin(), week.end(), '\n'), 1 + 10 * 14);
    EXPECT_EQ(EntryIds("../Resources/S0100000.2txt"), expected);
}

TEST_F(DayInstall, TheSameDayInstalledTwiceIsFiledAndRotatedOnce) {
    InstallDayList("1", WriteDayList("20261201", "1", {Entry("3", "400")}));
    const std::string source = WriteDayList("20261202", "1", {Entry("12", "500")});
    InstallDayList("1", source);
    const std::string week = installation.Read("Resources/S0100000.1txt");
    InstallDayList("1", source);
    EXPECT_EQ(EntryIds("../Resources/12.1cat"), std::vector<std::string>{"500"});
    EXPECT_EQ(installation.Read("Resources/S0100000.1txt"), week);
    EXPECT_EQ(EntryIds("../Resources/today.16"), std::vector<std::string>{"400"});
}

TEST_F(DayInstall, OnlyIdsGrowingTowardsTheTopOfTheDayListAreFiled) {
    WriteRecordFile("../Resources/12.1cat", 14, {Entry("12", "500")});
    InstallDayList("1", WriteDayList("20261201", "1", {Entry("12", "501"), Entry("12", "502")}));
    EXPECT_EQ(EntryIds("../Resources/12.1cat"), (std::vector<std::string>{"500", "502"}));

    WriteRecordFile("../Resources/12.1cat", 14, {Entry("12", "500")});
    InstallDayList("1", WriteDayList("20261202", "1", {Entry("12", "502"), Entry("12", "501")}));
    EXPECT_EQ(EntryIds("../Resources/12.1cat"), (std::vector<std::string>{"500", "501", "502"}));
}

TEST_F(DayInstall, NewHistoryListStartsWithTheHeaderSourceAndAMissingSourceKeepsEarlierEntries) {
    WriteRecordFile("../Resources/0.1cat", 15, {});
    InstallDayList("1", WriteDayList("20261201", "1", {Entry("44", "9")}));
    const std::string created = installation.Read("Resources/44.1cat");
    EXPECT_EQ(created.substr(0, 4), "15\r\n");
    EXPECT_EQ(created.substr(4), EncodeRecord(Entry("44", "9")));

    // Rows are taken newest first: 45 (has a list) then 46 (would need 0.2cat).
    DeleteFile("../Resources/0.2cat");
    WriteRecordFile("../Resources/45.2cat", 14, {Entry("45", "1")});
    EXPECT_THROW(InstallDayList("2", WriteDayList("20261201", "2", {Entry("46", "7"), Entry("45", "8")})), FileError);
    EXPECT_EQ(EntryIds("../Resources/45.2cat"), (std::vector<std::string>{"1", "8"}));
    EXPECT_FALSE(FileExists("../Resources/46.2cat"));
}

TEST_F(DayInstall, AnIdThatIsNotANumberIsAConversionError) {
    WriteRecordFile("../Resources/12.1cat", 14, {Entry("12", "500")});
    EXPECT_THROW(InstallDayList("1", WriteDayList("20261201", "1", {Entry("12", "5x")})), ConvertError);
    EXPECT_EQ(EntryIds("../Resources/12.1cat"), std::vector<std::string>{"500"});
}

// Large lists are read from their end; the answer must be the whole-file
// reader's, including for lists whose end the tail alone cannot settle.
TEST_F(DayInstall, HistoryTailAgreesWithTheWholeFileReader) {
    std::vector<std::vector<std::string>> many;
    for (int i = 0; i < 400; ++i) {
        many.push_back(Entry("8", std::to_string(i)));
        many.back()[7] = std::string(300, 'd');  // large enough to be read from its end
    }
    WriteRecordFile("../Resources/8.1cat", 14, many);
    const auto check = [](const std::string& expected_id, bool rows) {
        const HistoryTail tail = ReadHistoryTail("../Resources/8.1cat", "8");
        RecordTable table;
        ReadRecordFile("../Resources/8.1cat", table);
        EXPECT_EQ(tail.has_rows, rows);
        EXPECT_EQ(tail.last_id, expected_id);
        if (rows) {
            EXPECT_EQ(tail.last_id, table.FieldString(0, 10));
        }
    };
    check("399", true);

    // A last record cut short: the reader pads it; the tail must agree.
    std::string bytes = installation.Read("Resources/8.1cat");
    installation.Write("Resources/8.1cat", bytes + "Cut\r\nhttp://x\r\n");
    check("", true);
    // An end-of-text byte near the end ends the list there. (The program's
    // own writers never put one inside a list: every record they write was
    // read by the record reader, which stops at that byte.)
    const size_t record_start = bytes.rfind("Prog\r\n", bytes.size() - 2000);
    installation.Write("Resources/8.1cat", bytes.substr(0, record_start) + "\x1A" + bytes.substr(record_start));
    RecordTable table;
    ReadRecordFile("../Resources/8.1cat", table);
    check(table.FieldString(0, 10), true);
    // Lone LF line ends and a missing final line end.
    std::string lf = bytes;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    installation.Write("Resources/8.1cat", lf.substr(0, lf.size() - 1));
    check("399", true);
}

TEST_F(DayInstall, OnlyNumericCategoryCodesNameHistoryLists) {
    const std::string source = WriteDayList("20261201", "1",
                                            {Entry("../bin/x", "1"), Entry("today", "2"), Entry("", "3"), Entry("12", "4")});
    const std::string day_list = installation.Read("bin/20261201.1cat");
    InstallDayList("1", source);
    EXPECT_EQ(EntryIds("../Resources/12.1cat"), std::vector<std::string>{"4"});
    EXPECT_FALSE(FileExists("../bin/x.1cat"));
    EXPECT_FALSE(FileExists("../Resources/.1cat"));
    EXPECT_EQ(installation.Read("Resources/today.1cat"), day_list);
    // The entries stay in the day and week lists all the same.
    EXPECT_EQ(EntryIds("../Resources/S0100000.1txt"), (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(DayInstall, WeekListLinesEndInCrLfWhateverTheDayFilesUse) {
    InstallDayList("1", WriteDayList("20261201", "1", {Entry("5", "1"), Entry("5", "2")}));
    std::string lf = EncodeRecord(Entry("5", "3"));
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    std::string cr = EncodeRecord(Entry("5", "4"));
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    // A count line in LF, a record in LF, one in lone CRs without the last
    // line end, and text after an end-of-text byte, which ends the file.
    installation.Write("bin/20261202.1cat", "14\n" + lf + cr.substr(0, cr.size() - 1) + "\x1A" + "junk\r\n");
    InstallDayList("1", "../bin/20261202.1cat");
    const std::string expected = "14\r\n" + EncodeRecord(Entry("5", "1")) + EncodeRecord(Entry("5", "2")) +
                                 EncodeRecord(Entry("5", "3")) + EncodeRecord(Entry("5", "4"));
    EXPECT_EQ(installation.Read("Resources/S0100000.1txt"), expected);
}

struct Crash {};
std::atomic<int> steps_left = 0;
void CountDown() {
    if (--steps_left < 0) throw Crash{};
}

// Stopping an installation before any of its file operations and running it
// again gives the same lists as one uninterrupted installation.
TEST_F(DayInstall, AnInstallationStoppedAtAnyStepAndRunAgainEndsTheSame) {
    const auto prepare = [] {
        WriteRecordFile("../Resources/12.1cat", 14, {Entry("12", "500")});
        for (int n = 1; n <= 7; ++n)
            WriteRecordFile("../Resources/today.1" + std::to_string(n), 14, {Entry("1", std::to_string(n))});
        return WriteDayList("20261209", "1", {Entry("12", "502"), Entry("13", "600"), Entry("12", "501")});
    };
    const std::vector<std::string> files = {"today.1cat", "today.11", "today.14", "today.17",
                                            "S0100000.1txt", "12.1cat", "13.1cat"};
    const auto snapshot = [&] {
        std::string all;
        for (const auto& file : files) all += file + ":" + installation.Read("Resources/" + file) + "|";
        return all;
    };
    InstallDayList("1", prepare());
    const std::string expected = snapshot();
    int stopped = 0;
    for (int limit = 0; limit < 40; ++limit) {
        for (const auto& file : files) DeleteFile("../Resources/" + file);
        DeleteFile("../Resources/today.1rot");
        const std::string source = prepare();
        steps_left = limit;
        SetApplyStepHook(CountDown);
        bool crashed = false;
        try {
            InstallDayList("1", source);
        } catch (const Crash&) {
            crashed = true;
        }
        SetApplyStepHook(nullptr);
        if (!crashed) break;
        ++stopped;
        InstallDayList("1", source);
        EXPECT_EQ(snapshot(), expected) << "stopped before step " << limit;
    }
    EXPECT_GT(stopped, 10);
}

// A day spread over many lists is filed on two threads: every list gets its
// entries once, and a list that cannot take them still fails the filing,
// whichever thread meets it.
TEST_F(DayInstall, ADaySpreadOverManyListsFilesEachOnceAndReportsAFailure) {
    std::vector<std::vector<std::string>> entries;
    for (int category = 100; category < 140; ++category)
        entries.push_back(Entry(std::to_string(category), std::to_string(category + 1000)));
    InstallDayList("1", WriteDayList("20261201", "1", entries));
    InstallDayList("1", WriteDayList("20261201", "1", entries));
    for (int category = 100; category < 140; ++category)
        EXPECT_EQ(EntryIds("../Resources/" + std::to_string(category) + ".1cat"),
                  std::vector<std::string>{std::to_string(category + 1000)});
    for (const char* narrow : {"100", "139"}) {
        WriteRecordFile(std::string("../Resources/") + narrow + ".1cat", 5, {});
        EXPECT_THROW(InstallDayList("1", WriteDayList("20261202", "1", entries)), Error) << narrow;
        WriteRecordFile(std::string("../Resources/") + narrow + ".1cat", 14, {});
    }
}

// Days installed with the week list left for later keep it as it was until
// the marked lists are made, which then end as installing the days one by
// one does. A pass stopped at any step, followed by a start-up (which makes
// what is marked) and the pass again from the day it stopped in, ends the
// same, and no mark stays.
TEST_F(DayInstall, AWeekListLeftForLaterIsMadeOnceAndEndsAsDayByDayInstalls) {
    const auto prepare = [] {
        for (const std::string file : {"S0100000.1txt", "today.1rot", "today.1sem", "today.10", "12.1cat"})
            DeleteFile("../Resources/" + file);
        for (int n = 1; n <= 7; ++n)
            WriteRecordFile("../Resources/today.1" + std::to_string(n), 14, {Entry("1", std::to_string(n))});
        std::vector<std::string> sources;
        for (int day = 0; day < 4; ++day)
            sources.push_back(WriteDayList("2026121" + std::to_string(day), "1", {Entry("12", std::to_string(600 + day))}));
        return sources;
    };
    const auto week = [&] { return installation.Read("Resources/S0100000.1txt"); };
    for (const std::string& source : prepare()) InstallDayList("1", source);
    const std::string expected = week();

    const std::vector<std::string> sources = prepare();
    WriteRecordFile("../Resources/S0100000.1txt", 14, {});
    const std::string untouched = week();
    for (const std::string& source : sources) {
        InstallDayList("1", source, WeekList::kLater);
        EXPECT_EQ(week(), untouched);
    }
    RebuildStaleWeekLists();
    EXPECT_EQ(week(), expected);
    EXPECT_FALSE(FileExists("../Resources/today.1sem"));

    int stopped = 0;
    for (int limit = 0; limit < 200; ++limit) {
        const std::vector<std::string> days = prepare();
        size_t done = 0;
        const auto pass = [&] {
            for (; done < days.size(); ++done) InstallDayList("1", days[done], WeekList::kLater);
            RebuildStaleWeekLists();
        };
        steps_left = limit;
        SetApplyStepHook(CountDown);
        bool crashed = false;
        try {
            pass();
        } catch (const Crash&) {
            crashed = true;
        }
        SetApplyStepHook(nullptr);
        if (!crashed) break;
        ++stopped;
        RebuildStaleWeekLists();
        if (done == days.size()) {
            EXPECT_EQ(week(), expected) << "the start-up after step " << limit;
        }
        pass();
        EXPECT_EQ(week(), expected) << "stopped before step " << limit;
        EXPECT_FALSE(FileExists("../Resources/today.1sem"));
    }
    EXPECT_GT(stopped, 20);
}

// Filing completes a list whose end is unfinished, writes the entries in the
// list's own width, and refuses a list that cannot hold ids: whatever it
// does, the list reads back as the records written, and entries already
// filed are not filed again.
TEST_F(DayInstall, FilingCompletesOrRefusesAListThatDoesNotEndOnARecord) {
    // Over 64 KiB, its last record cut short after eight fields; the cut
    // record's fields 3 and 4 sit where the category and the id of a record
    // would be, counted from the end. With field 4 a number in every record
    // ("18"), two splits of the end look right and the whole list decides.
    const auto long_list = [](const std::string& code, const std::string& field4) {
        std::string list = "14\r\n";
        for (int i = 0; i < 400; ++i) {
            auto entry = Entry(code, std::to_string(i));
            entry[3] = code;
            entry[4] = field4;
            entry[7] = std::string(300, 'd');
            list += EncodeRecord(entry);
        }
        return list + "Cut\r\nhttp://d/400\r\n1.0\r\n" + code + "\r\n1\r\nhttp://i\r\nb\r\nText\r\n";
    };
    std::vector<std::string> ids;
    for (int i = 0; i < 400; ++i) ids.push_back(std::to_string(i));
    const auto with = [](std::vector<std::string> ids, std::vector<std::string> more) {
        ids.insert(ids.end(), more.begin(), more.end());
        return ids;
    };
    auto wide = Entry("15", "3");
    wide.resize(16, "w");
    struct Case {
        std::string code, list;
        std::vector<std::string> day_ids, ids;  // ids read back; empty: refused
        size_t width;
    };
    const std::vector<Case> cases = {
        {"12", long_list("12", "a"), {"399", "450"}, with(ids, {"", "450"}), 14},
        {"18", long_list("18", "7"), {"399", "450"}, with(ids, {"", "450"}), 14},
        {"13", "14", {"5"}, {"5"}, 14},
        {"14", "14\r\n" + EncodeRecord(Entry("14", "2")).substr(0, 60), {"2", "9"}, {"", "2", "9"}, 14},
        {"15", "16\r\n" + EncodeRecord(wide), {"3", "7"}, {"3", "7"}, 16},
        {"16", "12\r\n" + EncodeRecord(std::vector<std::string>(12, "6")), {"8"}, {"6", "8"}, 12},
        {"17", "10\r\n" + EncodeRecord(std::vector<std::string>(10, "1")), {"8"}, {}, 10},
    };
    for (const auto& c : cases) {
        installation.Write("Resources/" + c.code + ".1cat", c.list);
        std::vector<std::vector<std::string>> day;
        for (auto id = c.day_ids.rbegin(); id != c.day_ids.rend(); ++id) day.push_back(Entry(c.code, *id));
        const std::string source = WriteDayList("20261201", "1", day);
        if (c.ids.empty()) {
            EXPECT_THROW(InstallDayList("1", source), Error) << c.code;
            EXPECT_EQ(installation.Read("Resources/" + c.code + ".1cat"), c.list);
            continue;
        }
        InstallDayList("1", source);
        RecordTable table;
        ReadRecordFile("../Resources/" + c.code + ".1cat", table);
        EXPECT_EQ(table.Width(), c.width) << c.code;
        EXPECT_EQ(EntryIds("../Resources/" + c.code + ".1cat"), c.ids) << c.code;
        EXPECT_EQ(table.FieldString(0, 0), "Prog") << c.code;
    }
}

}  // namespace
}  // namespace veltod
