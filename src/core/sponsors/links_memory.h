#pragma once
// The links memory book: links kept in a two-field record file (link, title)
// until the user is on line. The banners append to it; its window lists the
// titles newest first, opens a link and deletes one link or all of them.
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/stored_files.h"
#include "core/records/record_table.h"

namespace veltod {

// A title that marks a record to be left out when the book is rewritten.
inline constexpr char kDeletionMark[] = "Borrar";

// Appends one link and its title as the book's newest record in a single
// write. The book must exist: a missing one raises FileError and nothing is
// stored. Line breaks inside the texts become blanks so that one link always
// stays one record, and a book whose last record was left unfinished is
// completed first so the new record lines up.
void AppendRememberedLink(const std::string& path, std::string_view link, std::string_view title);

// The text of the confirmation questions.
std::string DeleteOneQuestion(std::string_view title);
inline constexpr char kDeleteAllQuestion[] = "Sure to delete all the PENDING LINKS?";

// What a delete command did: nothing (no question asked), asked and kept the
// book, or asked and rewrote it.
enum class BookChange { Nothing, Declined, Deleted };

class LinksMemoryBook {
public:
    explicit LinksMemoryBook(std::string path = kLinksMemoryFile);

    // Empties the records, then reads the book (row 0 the newest link).
    // Raises FileError when the file cannot be read; the records stay empty.
    void Reload();

    size_t Count() const { return records_.RowCount(); }
    bool Empty() const { return records_.RowCount() == 0; }
    // The titles, newest first: list position = record index.
    std::vector<std::string> Titles() const;
    std::string Link(int index) const;
    std::string Title(int index) const;

    // Hands the link at index to the shell; false when there is no such
    // record or its link is empty.
    bool Open(int index) const;

    // Asks through the confirmation dialog and, on Yes, rewrites the book
    // without that record and without any record titled with the deletion
    // mark; reloads after either answer. Nothing happens (no question) when
    // the book is empty or index names no record.
    BookChange DeleteOne(int index);

    // Asks and, on Yes, empties the book of every link it showed; reloads
    // after either answer. Nothing happens when the book is empty.
    BookChange DeleteAll();

    const RecordTable& Records() const { return records_; }
    const std::string& Path() const { return path_; }

private:
    bool Valid(int index) const { return index >= 0 && static_cast<size_t>(index) < records_.RowCount(); }
    // The book as it is on disk now: links may have been remembered since
    // the last reload, and a rewrite must keep them.
    RecordTable Current() const;

    std::string path_;
    RecordTable records_;
};

}  // namespace veltod
