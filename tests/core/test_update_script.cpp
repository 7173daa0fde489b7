#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/update_script.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

using Records = std::vector<std::vector<std::string>>;

std::vector<std::string> Entry(const std::string& category, const std::string& id) {
    return {"Prog" + id, "http://d/" + id, "1.0", "12", "a", "http://i", "b", "Text", "3", category, id, "", "x", "n"};
}

Records ReadAll(const std::string& path) {
    RecordTable table;
    ReadRecordFile(path, table);
    Records records;
    for (size_t row = table.RowCount(); row-- > 0;) records.push_back(table.Row(row));
    return records;
}

std::vector<std::string> Column(const std::string& path, size_t column) {
    std::vector<std::string> values;
    for (const auto& record : ReadAll(path)) values.push_back(record.at(column));
    return values;
}

class UpdateScript : public ::testing::Test {
protected:
    void SetUp() override {
        TheApplyState() = ApplyState{};
        WriteRecordFile("../Resources/Categ.txt", 4,
                        {{"1", "0", "0", "Internet"}, {"7", "1", "1", "Browsers"}, {"8", "1", "1", "E-mail"}});
        WriteRecordFile("../Resources/0.cat", 14, {});
    }
    // A script given in file order.
    void Script(const Records& commands, const std::string& day = "20261208") {
        Records padded = commands;
        for (auto& command : padded) command.resize(5);
        WriteRecordFile("../bin/" + day + ".cam", 5, padded);
    }
    test::ScratchInstallation installation;
};

TEST_F(UpdateScript, CommandsRunInReverseFileOrder) {
    Script({{"&RENCAT&", "12", "Image Viewers"}, {"&ADDCAT&", "12", "7", "2", "Viewers"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(ReadAll("../Resources/Categ.txt").back(), (std::vector<std::string>{"12", "7", "2", "Image Viewers"}));
    EXPECT_EQ(installation.Read("Resources/12.cat"), "14\r\n");
}

TEST_F(UpdateScript, CategoryCommandsChangeOnlyTheNamedCode) {
    Script({{"&QUICAT&", "1"}, {"&CAMPAD&", "8", "7", "2"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(ReadAll("../Resources/Categ.txt"),
              (Records{{"7", "1", "1", "Browsers"}, {"8", "7", "2", "E-mail"}}));
}

TEST_F(UpdateScript, MovfilMovesEveryEntryWithTheIdAndKeepsTheRest) {
    WriteRecordFile("../Resources/7.cat", 14, {Entry("7", "5"), Entry("7", "6"), Entry("7", "5")});
    WriteRecordFile("../Resources/8.cat", 14, {Entry("8", "1")});
    Script({{"&MOVFIL&", "7", "5", "8"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/7.cat", 10), std::vector<std::string>{"6"});
    EXPECT_EQ(Column("../Resources/8.cat", 10), (std::vector<std::string>{"1", "5", "5"}));
    EXPECT_EQ(Column("../Resources/8.cat", 9), (std::vector<std::string>{"8", "8", "8"}));
}

TEST_F(UpdateScript, MovcatAppendsACopyAndLeavesTheSource) {
    WriteRecordFile("../Resources/7.cat", 14, {Entry("7", "5"), Entry("7", "6")});
    WriteRecordFile("../Resources/8.cat", 14, {});
    Script({{"&MOVCAT&", "7", "8"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/8.cat", 10), (std::vector<std::string>{"5", "6"}));
    EXPECT_EQ(Column("../Resources/8.cat", 9), (std::vector<std::string>{"8", "8"}));
    EXPECT_EQ(Column("../Resources/7.cat", 9), (std::vector<std::string>{"7", "7"}));
}

TEST_F(UpdateScript, QuifilMatchesTheCodeFollowedByTheNumber) {
    WriteRecordFile("../Resources/12.2cat", 14, {Entry("12", "12345"), Entry("12", "345"), Entry("12", "12345 ")});
    Script({{"&QUIFIL&", "12", "345", "2"}, {"&QUIFIL&", "99", "1", "2"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/12.2cat", 10), (std::vector<std::string>{"345", "12345 "}));
    EXPECT_FALSE(FileExists("../Resources/99.2cat"));
}

TEST_F(UpdateScript, ContadWritesLineFiveAndKeepsTheFirstFour) {
    Script({{"&CONTAD&", "http://127.0.0.1/count"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(installation.Read("Recibi/proxy.con"), "\r\n\r\n\r\n\r\nhttp://127.0.0.1/count\r\n");
    EXPECT_EQ(TheApplyState().ProxyFileRewritten, "ACTUALIZADO");

    installation.Write("Recibi/proxy.con", "True\r\nproxy\r\n8080\r\nuser\r\nold\r\nextra\r\n");
    Script({{"&CONTAD&", "http://new/"}}, "20261209");
    RunUpdateScript("20261209.cam");
    EXPECT_EQ(installation.Read("Recibi/proxy.con"), "True\r\nproxy\r\n8080\r\nuser\r\nhttp://new/\r\n");
}

TEST_F(UpdateScript, NuecatCopiesTheDeliveredListAndKeywordsAreExact) {
    WriteRecordFile("../bin/30.newcat", 14, {Entry("30", "1")});
    Script({{"&NUECAT&", "30", "0", "0", "Games"}, {"&NUECAT&", "31", "0", "0", "Toys"}, {"&addcat&", "32", "0", "0", "x"},
            {"&ADDCAT& ", "33", "0", "0", "y"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/Categ.txt", 0), (std::vector<std::string>{"1", "7", "8", "31", "30"}));
    EXPECT_EQ(Column("../Resources/30.cat", 10), std::vector<std::string>{"1"});
    EXPECT_FALSE(FileExists("../Resources/31.cat"));
}

TEST_F(UpdateScript, AFailingScriptChangesNothingAndCanRunAgain) {
    const std::string categ = installation.Read("Resources/Categ.txt");
    WriteRecordFile("../Resources/7.cat", 14, {Entry("7", "5"), Entry("7", "6")});
    const std::string seven = installation.Read("Resources/7.cat");
    // Runs last: moving entries to a list that does not exist.
    Script({{"&MOVFIL&", "7", "5", "55"}, {"&ADDCAT&", "40", "0", "0", "New"}});
    EXPECT_THROW(RunUpdateScript("20261208.cam"), FileError);
    EXPECT_EQ(installation.Read("Resources/Categ.txt"), categ);
    EXPECT_EQ(installation.Read("Resources/7.cat"), seven);
    EXPECT_FALSE(FileExists("../Resources/40.cat"));

    WriteRecordFile("../Resources/55.cat", 14, {});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/Categ.txt", 0), (std::vector<std::string>{"1", "7", "8", "40"}));
    EXPECT_EQ(Column("../Resources/55.cat", 10), std::vector<std::string>{"5"});

    EXPECT_THROW(RunUpdateScript("20991231.cam"), FileError);
}

TEST_F(UpdateScript, CodesNamingNoFileOfTheCatalogueAreRefusedAndChangeNothing) {
    const std::string categ = installation.Read("Resources/Categ.txt");
    const std::string escape = installation.Root().filename().string() + "-escape";
    const std::filesystem::path outside = installation.Root().parent_path() / (escape + ".cat");
    const std::string nul(1, '\0');
    // The bad command comes first in the file, so it runs after the good one.
    for (const std::string& code : {"../../" + escape, nul, "x" + nul + "y", std::string(300, '4')}) {
        SCOPED_TRACE(code.size());
        Script({{"&ADDCAT&", code, "0", "0", "Bad"}, {"&ADDCAT&", "40", "0", "0", "New"}});
        EXPECT_THROW(RunUpdateScript("20261208.cam"), Error);
        EXPECT_EQ(installation.Read("Resources/Categ.txt"), categ);
        EXPECT_FALSE(FileExists("../Resources/40.cat"));
        // A journal left behind would replay the failing write at every retry.
        EXPECT_FALSE(FileExists("../Resources/script.jnl"));
        EXPECT_FALSE(std::filesystem::exists(outside));
        std::filesystem::remove(outside);
    }
    WriteRecordFile("../bin/41.newcat", 14, {Entry("41", "1")});
    Script({{"&NUECAT&", "41/../../../" + escape, "0", "0", "Copy"}});
    EXPECT_THROW(RunUpdateScript("20261208.cam"), Error);
    EXPECT_EQ(installation.Read("Resources/Categ.txt"), categ);
}

TEST_F(UpdateScript, TheSameScriptDeliveredAgainIsNotRunTwice) {
    Script({{"&ADDCAT&", "40", "0", "0", "New"}});
    RunUpdateScript("20261208.cam");
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/Categ.txt", 0), (std::vector<std::string>{"1", "7", "8", "40"}));
    // Another script under the same name is a new script.
    Script({{"&ADDCAT&", "41", "0", "0", "Newer"}});
    RunUpdateScript("20261208.cam");
    EXPECT_EQ(Column("../Resources/Categ.txt", 0), (std::vector<std::string>{"1", "7", "8", "40", "41"}));
}

struct Crash {};
int steps_left = 0;
void CountDown() {
    if (--steps_left < 0) throw Crash{};
}

TEST_F(UpdateScript, AScriptStoppedAtAnyStepAndRunAgainEndsTheSame) {
    const auto prepare = [&] {
        SetUp();
        WriteRecordFile("../Resources/7.cat", 14, {Entry("7", "5"), Entry("7", "6")});
        WriteRecordFile("../Resources/8.cat", 14, {Entry("8", "1")});
        DeleteFile("../Resources/script.jnl");
        DeleteFile("../Recibi/proxy.con");
        Script({{"&MOVFIL&", "7", "5", "8"}, {"&CONTAD&", "http://n/"}, {"&ADDCAT&", "40", "0", "0", "New"}});
    };
    const auto snapshot = [&] {
        return installation.Read("Resources/Categ.txt") + installation.Read("Resources/7.cat") +
               installation.Read("Resources/8.cat") + installation.Read("Resources/40.cat") +
               installation.Read("Recibi/proxy.con");
    };
    prepare();
    RunUpdateScript("20261208.cam");
    const std::string expected = snapshot();
    int stopped = 0;
    for (int limit = 0; limit < 20; ++limit) {
        prepare();
        steps_left = limit;
        SetApplyStepHook(CountDown);
        bool crashed = false;
        try {
            RunUpdateScript("20261208.cam");
        } catch (const Crash&) {
            crashed = true;
        }
        SetApplyStepHook(nullptr);
        if (!crashed) break;
        ++stopped;
        RunUpdateScript("20261208.cam");
        EXPECT_EQ(snapshot(), expected) << "stopped before step " << limit;
    }
    EXPECT_GE(stopped, 5);
}

}  // namespace
}  // namespace veltod
