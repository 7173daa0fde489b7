#include "core/sponsors/links_memory.h"

#include <map>
#include <utility>

#include "core/platform/convert.h"
#include "core/platform/file_io.h"
#include "core/platform/seams.h"
#include "core/records/line_scanner.h"
#include "core/records/record_file.h"

namespace veltod {
namespace {

constexpr size_t kLinkField = 0;
constexpr size_t kTitleField = 1;
constexpr int kBookWidth = 2;

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\x1A') c = ' ';
    return line;
}

using LinkKey = std::pair<std::string, std::string>;

LinkKey KeyOf(const RecordTable& table, size_t row) {
    return {table.FieldString(row, kLinkField), table.FieldString(row, kTitleField)};
}

}  // namespace

void AppendRememberedLink(const std::string& path, std::string_view link, std::string_view title) {
    const std::string bytes = ReadWholeFile(path);
    const char* begin = bytes.data();
    const char* end = begin + bytes.size();

    size_t lines = 0;
    std::string_view count_line;
    const char* text_end = ScanLines(begin, end, [&](std::string_view line) {
        if (lines++ == 0) count_line = line;
    });

    // What the file needs before the new record so that the reader sees it
    // as a whole record of its own.
    std::string completion;
    int32_t width = kBookWidth;
    if (lines == 0) {
        completion = std::to_string(kBookWidth) + "\r\n";
    } else {
        const bool ends_with_line_end = text_end > begin && (text_end[-1] == '\n' || text_end[-1] == '\r');
        if (!ends_with_line_end) completion += "\r\n";
        int32_t declared = 0;
        if (TryStrToInt(count_line, declared) && declared >= 1 && declared <= kMaxFieldCount) width = declared;
        const size_t unfinished = (lines - 1) % static_cast<size_t>(width);
        if (unfinished != 0)
            for (size_t line = unfinished; line < static_cast<size_t>(width); ++line) completion += "\r\n";
    }

    std::vector<std::string> record{OneLine(link), OneLine(title)};
    if (width > kBookWidth) record.resize(static_cast<size_t>(width));
    const std::string addition = completion + EncodeRecord(record);

    if (text_end == end) {
        AppendToFile(path, addition);
    } else {
        // Text after an end-of-file byte is never read: the record goes in
        // before it, and the rest of the file is kept as it was.
        const size_t at = static_cast<size_t>(text_end - begin);
        ReplaceFileAtomically(path, bytes.substr(0, at) + addition + bytes.substr(at));
    }
}

std::string DeleteOneQuestion(std::string_view title) {
    return "Sure to delete the: " + std::string(title) + " - LINK?";
}

LinksMemoryBook::LinksMemoryBook(std::string path) : path_(std::move(path)) {}

void LinksMemoryBook::Reload() {
    records_.Clear();
    ReadRecordFile(path_, records_);
}

std::vector<std::string> LinksMemoryBook::Titles() const {
    std::vector<std::string> titles;
    titles.reserve(records_.RowCount());
    for (size_t row = 0; row < records_.RowCount(); ++row) titles.push_back(records_.FieldString(row, kTitleField));
    return titles;
}

std::string LinksMemoryBook::Link(int index) const {
    return Valid(index) ? records_.FieldString(static_cast<size_t>(index), kLinkField) : std::string();
}

std::string LinksMemoryBook::Title(int index) const {
    return Valid(index) ? records_.FieldString(static_cast<size_t>(index), kTitleField) : std::string();
}

bool LinksMemoryBook::Open(int index) const {
    const std::string link = Link(index);
    if (link.empty()) return false;
    TheShell().Open(link);
    return true;
}

RecordTable LinksMemoryBook::Current() const {
    // A book removed since the reload is written back from what was shown.
    if (!FileExists(path_)) return records_;
    RecordTable current;
    ReadRecordFile(path_, current);
    return current;
}

BookChange LinksMemoryBook::DeleteOne(int index) {
    if (Empty() || !Valid(index)) return BookChange::Nothing;
    const auto row = static_cast<size_t>(index);
    if (!TheDialogs().Confirm(DeleteOneQuestion(records_.Field(row, kTitleField)))) {
        Reload();
        return BookChange::Declined;
    }

    RecordTable current = Current();
    const LinkKey chosen = KeyOf(records_, row);
    // Links remembered since the reload are appended after the shown ones, so
    // the chosen record keeps its place counted from the file's start.
    const size_t from_start = records_.RowCount() - 1 - row;
    const size_t rows = current.RowCount();
    bool marked = false;
    if (from_start < rows && KeyOf(current, rows - 1 - from_start) == chosen) {
        current.SetField(rows - 1 - from_start, kTitleField, kDeletionMark);
        marked = true;
    }
    for (size_t other = 0; !marked && other < rows; ++other) {
        if (KeyOf(current, other) == chosen) {
            current.SetField(other, kTitleField, kDeletionMark);
            marked = true;
        }
    }

    std::vector<std::vector<std::string>> kept;
    for (size_t r = rows; r-- > 0;) {
        if (current.Field(r, kTitleField) == kDeletionMark) continue;
        kept.push_back({current.FieldString(r, kLinkField), current.FieldString(r, kTitleField)});
    }
    WriteRecordFile(path_, kBookWidth, kept);
    Reload();
    return BookChange::Deleted;
}

BookChange LinksMemoryBook::DeleteAll() {
    if (Empty()) return BookChange::Nothing;
    if (!TheDialogs().Confirm(kDeleteAllQuestion)) {
        Reload();
        return BookChange::Declined;
    }

    // Only the links the user saw go; one remembered since the reload stays.
    std::map<LinkKey, size_t> shown;
    for (size_t row = 0; row < records_.RowCount(); ++row) ++shown[KeyOf(records_, row)];
    const RecordTable current = Current();
    std::vector<std::vector<std::string>> kept;
    for (size_t r = current.RowCount(); r-- > 0;) {
        LinkKey key = KeyOf(current, r);
        auto seen = shown.find(key);
        if (seen != shown.end() && seen->second > 0) {
            --seen->second;
            continue;
        }
        kept.push_back({std::move(key.first), std::move(key.second)});
    }
    WriteRecordFile(path_, kBookWidth, kept);
    Reload();
    return BookChange::Deleted;
}

}  // namespace veltod
