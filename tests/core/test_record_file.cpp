#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/platform/errors.h"
#include "core/records/record_file.h"
#include "support/temp_dir.h"

using veltod::ParseRecordBytes;
using veltod::RecordTable;

namespace {

RecordTable Parse(const std::string& bytes) {
    RecordTable table;
    ParseRecordBytes(bytes, table);
    return table;
}

std::vector<std::string> Column0(const RecordTable& table) {
    std::vector<std::string> names;
    for (size_t row = 0; row < table.RowCount(); ++row) names.push_back(table.FieldString(row, 0));
    return names;
}

TEST(ReadRecordFile, ReversesRecordOrderForEvenAndOddCounts) {
    EXPECT_EQ(Column0(Parse("1\r\nA\r\nB\r\n")), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(Column0(Parse("1\r\nA\r\nB\r\nC\r\nD\r\nE\r\nF\r\n")),
              (std::vector<std::string>{"F", "E", "D", "C", "B", "A"}));
    EXPECT_EQ(Column0(Parse("1\r\nA\r\nB\r\nC\r\n")), (std::vector<std::string>{"C", "B", "A"}));
    const RecordTable ten = Parse("2\r\n0\r\na\r\n1\r\nb\r\n2\r\nc\r\n3\r\nd\r\n4\r\ne\r\n5\r\nf\r\n6\r\ng\r\n7\r\nh\r\n8\r\ni\r\n9\r\nj\r\n");
    ASSERT_EQ(ten.RowCount(), 10u);
    for (size_t row = 0; row < 10; ++row) {
        EXPECT_EQ(ten.FieldString(row, 0), std::to_string(9 - row));
        EXPECT_EQ(ten.FieldString(row, 1), std::string(1, static_cast<char>('j' - row)));
    }
}

TEST(ReadRecordFile, CountOnlyFileLeavesCallersTableUntouched) {
    RecordTable table = Parse("2\r\nold\r\nrow\r\n");
    ParseRecordBytes("14\r\n", table);
    ASSERT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(table.Width(), 2u);
    EXPECT_EQ(table.Field(0, 1), "row");
}

TEST(ReadRecordFile, ARecordReplacesEveryEarlierRowAndWidth) {
    RecordTable table = Parse("3\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
    ParseRecordBytes("1\r\nonly\r\n", table);
    ASSERT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(table.Width(), 1u);
    EXPECT_EQ(table.Field(0, 0), "only");
}

TEST(ReadRecordFile, PartialLastRecordKeepsItsFieldsAndPadsTheRest) {
    const RecordTable table = Parse("4\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
    ASSERT_EQ(table.RowCount(), 2u);
    EXPECT_EQ(table.Row(0), (std::vector<std::string>{"e", "f", "", ""}));
    EXPECT_EQ(table.Row(1), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(ReadRecordFile, TrailingEmptyLineStartsAnEmptyRecord) {
    const RecordTable table = Parse("2\r\na\r\nb\r\n\r\n");
    ASSERT_EQ(table.RowCount(), 2u);
    EXPECT_EQ(table.Row(0), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(table.Row(1), (std::vector<std::string>{"a", "b"}));
}

TEST(ReadRecordFile, LineEndsCrLfLoneCrLoneLfAndLastLineWithout) {
    const RecordTable table = Parse("5\na\rb\r\nc\nd\r\n\r");
    ASSERT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(table.Row(0), (std::vector<std::string>{"a", "b", "c", "d", ""}));
    EXPECT_EQ(Parse("1\r\n\r\n").Row(0), (std::vector<std::string>{""}));
    const RecordTable last = Parse("2\r\n x \r\ny");
    EXPECT_EQ(last.Row(0), (std::vector<std::string>{" x ", "y"}));
}

TEST(ReadRecordFile, ByteOneAEndsTheFileAndBytesPassUnchanged) {
    const RecordTable table = Parse("1\r\n\xE9t\xE9\r\nB\x1A\r\nC\r\n");
    EXPECT_EQ(Column0(table), (std::vector<std::string>{"B", "\xE9t\xE9"}));
    const RecordTable with_nul = Parse(std::string("1\r\na\0b\r\n", 8));
    EXPECT_EQ(with_nul.FieldString(0, 0), std::string("a\0b", 3));
}

TEST(ReadRecordFile, BadCountLineRaisesConversionErrorAndKeepsTable) {
    RecordTable table = Parse("1\r\nkeep\r\n");
    const auto expect_error = [&](const std::string& bytes, const std::string& text) {
        try {
            ParseRecordBytes(bytes, table);
            ADD_FAILURE() << "no error for " << bytes;
        } catch (const veltod::ConvertError& error) {
            EXPECT_EQ(error.what(), text);
        }
        EXPECT_EQ(table.FieldString(0, 0), "keep");
    };
    expect_error("", "'' is not a valid integer value");
    expect_error("abc\r\nx\r\n", "'abc' is not a valid integer value");
    expect_error("\x1A" "1\r\nx\r\n", "'' is not a valid integer value");
    expect_error("3 \r\nx\r\n", "'3 ' is not a valid integer value");
    expect_error("99999999999\r\n", "'99999999999' is not a valid integer value");
    expect_error("0\r\nx\r\n", "'0' is not a valid field count (1 to 32767)");
    expect_error("-4\r\nx\r\n", "'-4' is not a valid field count (1 to 32767)");
    expect_error("32768\r\nx\r\n", "'32768' is not a valid field count (1 to 32767)");
}

TEST(ReadRecordFile, MoreThan32767RecordsAreReadWhole) {
    std::string bytes = "1\r\n";
    for (int i = 0; i < 40000; ++i) bytes += std::to_string(i) + "\r\n";
    const RecordTable table = Parse(bytes);
    ASSERT_EQ(table.RowCount(), 40000u);
    EXPECT_EQ(table.Field(0, 0), "39999");
    EXPECT_EQ(table.Field(39999, 0), "0");
}

// Large files of lines so short that views would outweigh the file are
// indexed compactly; every field reads as from any other file, line ends,
// a record cut short and an end-of-text byte included, and a table that is
// changed afterwards keeps its fields.
TEST(ReadRecordFile, LargeShortLineFilesReadTheSameWhateverTheirLineEnds) {
    std::string bytes = "2\r\n";
    std::vector<std::vector<std::string>> rows;  // newest first at the end
    for (int i = 0; i < 400000; ++i) {
        const std::string a = std::to_string(i % 10), b = i % 3 == 0 ? "" : "x";
        bytes += a + (i % 2 ? "\n" : "\r\n") + b + (i % 5 ? "\r" : "\r\n");
        rows.push_back({a, b});
    }
    bytes += "q\x1Azz\r\n";
    rows.push_back({"q", ""});
    ASSERT_GT(bytes.size(), size_t{1} << 20);
    RecordTable table;
    ParseRecordBytes(bytes, table);
    ASSERT_EQ(table.RowCount(), rows.size());
    for (size_t row = 0; row < rows.size(); ++row) ASSERT_EQ(table.Row(row), rows[rows.size() - 1 - row]) << row;
    RecordTable copy = table;
    copy.SetField(0, 1, "changed");
    EXPECT_EQ(copy.Row(0), (std::vector<std::string>{"q", "changed"}));
    EXPECT_EQ(copy.Row(1), rows[rows.size() - 2]);
    EXPECT_EQ(table.Row(0), rows.back());
}

TEST(ReadRecordFile, MissingFileRaisesFileNotFoundAndKeepsTable) {
    veltod::test::ScratchInstallation installation;
    RecordTable table = Parse("1\r\nkeep\r\n");
    try {
        veltod::ReadRecordFile("../Resources/none.cat", table);
        FAIL() << "no error";
    } catch (const veltod::FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(table.FieldString(0, 0), "keep");
}

TEST(RecordFileWriters, AppendStartAndWriteBackKeepOldestFirstWithCrLf) {
    veltod::test::ScratchInstallation installation;
    const std::string path = "../Resources/list.cat";
    veltod::StartRecordFile(path, 2);
    EXPECT_EQ(installation.Read("Resources/list.cat"), "2\r\n");
    veltod::AppendRecord(path, {"a", "1"});
    veltod::AppendRecord(path, {"b", "2"});
    EXPECT_EQ(installation.Read("Resources/list.cat"), "2\r\na\r\n1\r\nb\r\n2\r\n");

    RecordTable table;
    veltod::ReadRecordFile(path, table);
    table.SetField(0, 1, "changed");
    veltod::WriteRecordTable(path, table);
    EXPECT_EQ(installation.Read("Resources/list.cat"), "2\r\na\r\n1\r\nb\r\nchanged\r\n");

    // A file edited on Linux reads, and writing it back turns it into CR LF.
    installation.Write("Resources/lf.cat", "1\nx\ny\n");
    veltod::ReadRecordFile("../Resources/lf.cat", table);
    veltod::WriteRecordTable("../Resources/lf.cat", table);
    EXPECT_EQ(installation.Read("Resources/lf.cat"), "1\r\nx\r\ny\r\n");
}

TEST(RecordTable, CopiesShareNothingMutable) {
    RecordTable original = Parse("1\r\na\r\nb\r\n");
    RecordTable copy = original;
    copy.SetField(0, 0, "changed");
    EXPECT_EQ(original.Field(0, 0), "b");
    EXPECT_EQ(copy.Field(0, 0), "changed");
    original.Clear();
    EXPECT_EQ(copy.Field(1, 0), "a");
    EXPECT_EQ(copy.Field(5, 0), "");
    EXPECT_EQ(copy.Field(0, 3), "");
    EXPECT_THROW(copy.SetField(2, 0, "x"), std::out_of_range);
}

}  // namespace
