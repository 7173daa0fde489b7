#include "core/apply/day_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <future>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/line_scanner.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"

namespace veltod {
namespace {

constexpr size_t kCategoryField = 9;
constexpr size_t kIdField = 10;
// Lists up to this size are read whole; larger ones only from their end.
constexpr size_t kWholeReadLimit = 64 * 1024;
// A day filed into at least this many lists is filed on two threads.
constexpr size_t kSharedFilingLists = 32;

// Category codes name history list files, so only plain decimal numbers are
// filed: a code such as "../x" would write outside the lists' folder, and
// "today" onto today's list.
bool IsCategoryCode(std::string_view code) {
    return !code.empty() && code.size() <= 10 &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first line of a file, without its line end (empty when the file is).
std::string FirstLine(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    std::string line;
    ScanLines(bytes.data(), bytes.data() + bytes.size(), [&, done = false](std::string_view text) mutable {
        if (!done) line = std::string(text);
        done = true;
    });
    return line;
}

std::string MarkerDay(const std::string& path) {
    if (!FileExists(path)) return {};
    RecordTable table;
    try {
        ReadRecordFile(path, table);
    } catch (const Error&) {
        return {};  // an unreadable marker only means the rotation is not known to be done
    }
    return table.FieldString(0, 0);
}

// The records of a day file, after its count line, as the week list takes
// them: in CR LF lines. A file written that way already goes out as it is.
void WriteDayRecords(AtomicFileWriter& week, const char* begin, size_t size, bool with_count_line) {
    const char* const end = begin + size;
    const char* body = nullptr;
    const char* expected = begin;
    bool crlf = true;
    ScanLines(begin, end, [&](std::string_view line) {
        const char* line_end = line.data() + line.size();
        crlf = crlf && line.data() == expected && end - line_end >= 2 && line_end[0] == '\r' && line_end[1] == '\n';
        expected = line_end + 2;
        if (!body) body = with_count_line ? begin : expected;
    });
    if (!body) return;
    if (crlf && expected == end) {
        week.Write(std::string_view(body, static_cast<size_t>(end - body)));
        return;
    }
    std::string records;
    bool first = true;
    ScanLines(begin, end, [&](std::string_view line) {
        if (!first || with_count_line) {
            records += line;
            records += "\r\n";
        }
        first = false;
    });
    week.Write(records);
}

void RebuildWeekList(const std::string& kind) {
    std::vector<std::string> paths;
    for (int n = 1; n <= 7; ++n) paths.push_back(DayFilePath(kind, n));
    std::vector<size_t> sizes;
    const FileBytes all = ReadWholeFilesBytes(paths, sizes);
    ApplyStep();
    AtomicFileWriter week(WeekListPath(kind), Durability::kDerived);
    size_t offset = 0;
    for (size_t n = 0; n < sizes.size(); ++n) {
        WriteDayRecords(week, all.data.get() + offset, sizes[n], n == 0);
        offset += sizes[n];
    }
    week.Commit();
}

HistoryTail TailFromWholeFile(const std::string& path) {
    RecordTable table;
    ReadRecordFile(path, table);
    HistoryTail tail;
    tail.has_rows = table.RowCount() > 0;
    if (tail.has_rows) tail.last_id = table.FieldString(0, kIdField);
    return tail;
}

bool ReadAt(int fd, char* buffer, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

// The tail of the list open as fd (at path). Only the end of a long list is
// read; anything that the end cannot settle alone (an end-of-text byte, a
// last record cut short, a record out of step with its category) is left to
// the whole-file reader, so the answer is always the reader's.
HistoryTail ReadOpenHistoryTail(int fd, const std::string& path, const std::string_view category) {
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return TailFromWholeFile(path);
    const size_t size = static_cast<size_t>(info.st_size);
    if (size <= kWholeReadLimit) return TailFromWholeFile(path);

    // The count line, from the head of the file.
    char head[32];
    if (!ReadAt(fd, head, sizeof head, 0)) return TailFromWholeFile(path);
    const char* head_end = std::find_if(head, head + sizeof head, [](char c) { return c == '\r' || c == '\n' || c == 0x1A; });
    int32_t width = 0;
    if (head_end == head + sizeof head || *head_end == 0x1A ||
        !TryStrToInt(std::string_view(head, static_cast<size_t>(head_end - head)), width) || width < 1 ||
        width > kMaxFieldCount)
        return TailFromWholeFile(path);

    std::vector<char> tail;
    for (size_t chunk = 4 * 1024; chunk < size; chunk *= 4) {
        tail.resize(chunk);
        if (!ReadAt(fd, tail.data(), chunk, static_cast<off_t>(size - chunk))) break;
        if (std::memchr(tail.data(), 0x1A, chunk) != nullptr) break;
        if (tail.back() != '\n' && tail.back() != '\r') break;
        char* end = tail.data() + chunk;
        const char* start = std::find_if(tail.data(), end, [](char c) { return c == '\r' || c == '\n'; });
        if (start == end) continue;
        if (*start == '\r' && start + 1 < end && start[1] == '\n') ++start;
        ++start;
        std::vector<std::string_view> lines;
        ScanLines(start, end, [&](std::string_view line) { lines.push_back(line); });
        if (lines.size() < static_cast<size_t>(width)) continue;
        const auto record = lines.end() - width;
        const std::string_view code = static_cast<size_t>(width) > kCategoryField ? record[kCategoryField] : std::string_view{};
        if (code != category) break;
        HistoryTail result;
        result.has_rows = true;
        if (static_cast<size_t>(width) > kIdField) result.last_id = std::string(record[kIdField]);
        return result;
    }
    return TailFromWholeFile(path);
}

}  // namespace

HistoryTail ReadHistoryTail(const std::string& path, const std::string& category) {
    const int fd = ::open(SystemPath(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return TailFromWholeFile(path);  // raises the file error
    const HistoryTail tail = ReadOpenHistoryTail(fd, path, category);
    ::close(fd);
    return tail;
}

void InstallDayList(const std::string& kind, const std::string& source, WeekList week) {
    ApplyStep();
    LinkOrCopyFile(source, TodayListPath(kind));
    // The source is named by its day: kBinFolder + DayListName(day, kind).
    const std::string name = source.substr(source.rfind('/') + 1);
    const std::string day = name.substr(0, name.find('.'));
    // The rotation and the filing write different files and only read
    // today's list, and each finishes its own work when run again after an
    // interruption; so they run side by side, the filing using the time the
    // rotation spends waiting for the disk to take the new week list.
    auto filing = std::async(std::launch::async, [&kind] { MergeDayIntoHistory(kind); });
    std::exception_ptr failure;
    try {
        RotateDayFiles(kind, day, week);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        filing.get();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

void RotateDayFiles(const std::string& kind, const std::string& day, WeekList week) {
    const std::string outgoing = DayFilePath(kind, 0);
    const std::string marker = RotationMarkPath(kind);
    // The mark comes before the first day file moves, so that whatever
    // stops the rotation or what follows it, the week list is known to be
    // out of date; it goes only after the week list is made and flushed.
    if (week == WeekList::kLater) {
        ApplyStep();
        CreateMarkFile(StaleWeekMarkPath(kind));
    }
    const auto rebuild = [&] {
        if (week == WeekList::kNow) RebuildWeekList(kind);
    };
    if (!FileExists(outgoing)) {
        if (!day.empty() && MarkerDay(marker) == day) {
            rebuild();
            return;
        }
        // A fresh installation may lack day files: they start as empty lists.
        for (int n = 1; n <= 7; ++n) {
            if (FileExists(DayFilePath(kind, n))) continue;
            ApplyStep();
            ReplaceFileAtomically(DayFilePath(kind, n), FirstLine(TodayListPath(kind)) + "\r\n");
        }
        // Day file 1 moves aside instead of going at once: while it is aside,
        // the first missing day file tells how far the rotation got.
        ApplyStep();
        MoveFile(DayFilePath(kind, 1), outgoing);
    }
    int hole = 0;
    for (int n = 1; n <= 7 && hole == 0; ++n)
        if (!FileExists(DayFilePath(kind, n))) hole = n;
    if (hole != 0) {
        for (int n = hole; n < 7; ++n) {
            ApplyStep();
            try {
                MoveFile(DayFilePath(kind, n + 1), DayFilePath(kind, n));
            } catch (const FileError&) {
            }
        }
        ApplyStep();
        LinkOrCopyFile(TodayListPath(kind), DayFilePath(kind, 7));
    }
    if (!day.empty()) {
        ApplyStep();
        WriteRecordFile(marker, 1, {{day}});
    }
    ApplyStep();
    DeleteFile(outgoing);
    rebuild();
}

void RebuildStaleWeekLists() {
    std::vector<std::string> rebuilt;
    for (const char* kind : {"1", "2", "3"}) {
        const std::string mark = StaleWeekMarkPath(kind);
        if (!FileExists(mark)) continue;
        // A rotation cut short (its outgoing day file still there, or a day
        // file missing) is finished when its day is installed again; a week
        // list made now would only be made again then.
        bool whole = !FileExists(DayFilePath(kind, 0));
        for (int n = 1; n <= 7 && whole; ++n) whole = FileExists(DayFilePath(kind, n));
        if (!whole) continue;
        RebuildWeekList(kind);
        rebuilt.push_back(mark);
    }
    if (rebuilt.empty()) return;
    SyncFileSystem(kResourcesFolder);
    for (const std::string& mark : rebuilt) {
        ApplyStep();
        DeleteFile(mark);
    }
}

namespace {

// What a history list needs before new records line up after its last one,
// and the id they are compared with. The list is scanned whole: only the
// count of its lines tells whether the last record is complete.
struct ListEnd {
    size_t width = 0;
    std::string completion;  // line ends that finish its last line and record
    bool has_rows = false;
    std::string last_id;
    size_t text_end = 0;  // where the text ends: the size, or an end-of-text byte
};

ListEnd ReadListEnd(const FileBytes& bytes) {
    const char* const begin = bytes.data.get();
    const char* const end = begin + bytes.size;
    ListEnd list;
    std::string_view count;
    bool counted = false;
    size_t lines = 0;
    // The last two records' lines, enough for a complete record before a
    // record cut short.
    std::vector<std::string_view> recent;
    const char* stop = ScanLines(begin, end, [&](std::string_view line) {
        if (!counted) {
            count = line;
            counted = true;
            list.width = static_cast<size_t>(ParseFieldCount(count));
            recent.resize(2 * list.width);
            return;
        }
        recent[lines % recent.size()] = line;
        ++lines;
    });
    list.text_end = static_cast<size_t>(stop - begin);
    if (!counted) throw ConvertError("'' is not a valid integer value");
    if (stop > begin && stop[-1] != '\r' && stop[-1] != '\n') list.completion = "\r\n";
    const size_t partial = lines % list.width;
    if (partial != 0)
        for (size_t i = partial; i < list.width; ++i) list.completion += "\r\n";
    const auto line_at = [&](size_t index) { return std::string(recent[index % recent.size()]); };
    // The last record as the reader reads it (a record cut short has its
    // missing fields empty); when that leaves it without an id, the one
    // before it tells which entries are already filed.
    if (partial > kIdField) {
        list.last_id = line_at(lines - partial + kIdField);
        list.has_rows = true;
    } else if (lines >= list.width + partial) {
        const size_t last_full = lines - partial - list.width;
        if (list.width > kIdField) list.last_id = line_at(last_full + kIdField);
        list.has_rows = true;
    }
    return list;
}

// The same from the end of a long list alone, when the end settles where its
// records lie: of all the ways the last lines could split into records, one
// only gives the last three complete records the list's category and a
// number for an id. Anything less certain (an end-of-text byte, a last line
// without its line end, no such split or more than one) is left to the whole
// scan, so the answer is always the whole scan's.
bool ReadListEndFromTail(int fd, const std::string_view category, ListEnd& list) {
    constexpr size_t kRecords = 3;
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const size_t size = static_cast<size_t>(info.st_size);
    if (size <= kWholeReadLimit) return false;
    char head[32];
    if (!ReadAt(fd, head, sizeof head, 0)) return false;
    const char* head_end = std::find_if(head, head + sizeof head, [](char c) { return c == '\r' || c == '\n' || c == 0x1A; });
    int32_t count = 0;
    if (head_end == head + sizeof head || *head_end == 0x1A ||
        !TryStrToInt(std::string_view(head, static_cast<size_t>(head_end - head)), count) || count <= int32_t(kIdField) ||
        count > kMaxFieldCount)
        return false;
    const size_t width = static_cast<size_t>(count);
    std::vector<char> tail;
    for (size_t chunk = 4 * 1024; chunk < size; chunk *= 4) {
        tail.resize(chunk);
        if (!ReadAt(fd, tail.data(), chunk, static_cast<off_t>(size - chunk))) return false;
        if (std::memchr(tail.data(), 0x1A, chunk) != nullptr) return false;
        if (tail.back() != '\n' && tail.back() != '\r') return false;
        const char* const end = tail.data() + chunk;
        const char* start = std::find_if(static_cast<const char*>(tail.data()), end, [](char c) { return c == '\r' || c == '\n'; });
        if (start == end) continue;
        if (*start == '\r' && start + 1 < end && start[1] == '\n') ++start;
        ++start;
        std::vector<std::string_view> lines;
        ScanLines(start, end, [&](std::string_view line) { lines.push_back(line); });
        if (lines.size() < (kRecords + 1) * width) continue;
        size_t found = width;
        for (size_t partial = 0; partial < width; ++partial) {
            bool fits = true;
            for (size_t j = 0; j < kRecords && fits; ++j) {
                const size_t first = lines.size() - partial - (j + 1) * width;
                int32_t id = 0;
                fits = lines[first + kCategoryField] == category && TryStrToInt(lines[first + kIdField], id);
            }
            if (!fits) continue;
            if (found != width) return false;
            found = partial;
        }
        if (found == width) return false;
        list.width = width;
        list.text_end = size;
        list.has_rows = true;
        list.completion.clear();
        for (size_t i = found; found != 0 && i < width; ++i) list.completion += "\r\n";
        const size_t last = found > kIdField ? lines.size() - found : lines.size() - found - width;
        list.last_id = std::string(lines[last + kIdField]);
        return true;
    }
    return false;
}

// The rows of one history list, in day-list order.
struct ListRows {
    std::string_view code;
    std::vector<size_t> rows;
};

// The lists in the order their first row comes. Lists are independent, so
// filing them one after the other decides every entry as appending them one
// by one would.
std::vector<ListRows> RowsByList(const RecordTable& today) {
    std::vector<ListRows> lists;
    std::unordered_map<std::string_view, size_t> index_of;
    for (size_t row = 0; row < today.RowCount(); ++row) {
        const std::string_view code = today.Field(row, kCategoryField);
        if (!IsCategoryCode(code)) continue;
        const auto [at, added] = index_of.try_emplace(code, lists.size());
        if (added) lists.push_back({code, {}});
        lists[at->second].rows.push_back(row);
    }
    return lists;
}

// An open history list: its descriptor (-1 for a list not yet made), its end,
// and for a list read whole its bytes.
struct OpenList {
    std::string path;
    int fd = -1;
    FileBytes bytes;
    ListEnd end;
    std::string count_line;  // a new list's first line

    OpenList() = default;
    OpenList(const OpenList&) = delete;
    OpenList& operator=(const OpenList&) = delete;
    ~OpenList() {
        if (fd >= 0) ::close(fd);
    }
};

// Files one day's rows into the history lists of one licence kind.
class HistoryFiler {
public:
    HistoryFiler(const std::string& kind, const RecordTable& today) : kind_(kind), today_(today) {}

    void FileList(const ListRows& list) {
        OpenList open;
        Open(list.code, open);
        const std::string pending = NewRecords(list.rows, open.end);
        if (!pending.empty()) Write(open, pending);
    }

private:
    void Open(std::string_view code, OpenList& open) {
        open.path = HistoryListPath(code, kind_);
        open.fd = ::open(open.path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        if (open.fd < 0 && errno != ENOENT) throw FileError(FileErrorText(errno));
        if (open.fd >= 0 && ReadListEndFromTail(open.fd, code, open.end)) {
        } else if (open.fd >= 0) {
            open.bytes = ReadWholeFileBytes(open.path);
            try {
                open.end = ReadListEnd(open.bytes);
            } catch (const Error& failure) {
                throw Error("The history list " + open.path + " cannot take new entries: " + failure.what());
            }
        } else {
            // A new list starts with the header source's count line and
            // takes the entries as the day list has them.
            open.count_line = Header();
            open.end.width = today_.Width();
        }
        if (open.end.width <= kIdField)
            throw Error("The history list " + open.path + " has no room for entry ids (" +
                        std::to_string(open.end.width) + " fields a record)");
    }

    // The records of the rows newer than the list's last id, encoded in the
    // list's own width, so that a list of another width than the day list
    // reads back as the records written.
    std::string NewRecords(const std::vector<size_t>& rows, ListEnd& end) const {
        std::string pending;
        for (const size_t row : rows) {
            const std::string_view id = today_.Field(row, kIdField);
            if (end.has_rows && StrToInt(id) <= StrToInt(end.last_id)) continue;
            if (today_.Width() == end.width) {
                pending += EncodeRecord(today_, row);
            } else {
                std::vector<std::string> fields = today_.Row(row);
                fields.resize(end.width);
                pending += EncodeRecord(fields);
            }
            end.has_rows = true;
            end.last_id = std::string(id);
        }
        return pending;
    }

    static void Write(const OpenList& open, const std::string& pending) {
        ApplyStep();
        if (open.fd < 0) {
            ReplaceFileAtomically(open.path, open.count_line + pending);
        } else if (open.end.text_end < open.bytes.size) {
            // Text after an end-of-text byte is not read: the new records go
            // before that byte, the rest is kept.
            const char* data = open.bytes.data.get();
            const size_t text_end = open.end.text_end;
            ReplaceFileAtomically(open.path, std::string(data, text_end) + open.end.completion + pending +
                                                 std::string(data + text_end, open.bytes.size - text_end));
        } else {
            // One write call, so that a killed process never leaves half a
            // record. The appends are made durable together with the rest of
            // the day, before the day is recorded as applied.
            FileStep();
            WriteAllBytes(open.fd, open.end.completion + pending);
        }
    }

    // Read once, by whichever thread first makes a new list.
    std::string Header() {
        const std::lock_guard<std::mutex> hold(header_lock_);
        if (header_.empty()) header_ = FirstLine(HeaderSourcePath(kind_)) + "\r\n";
        return header_;
    }

    const std::string& kind_;
    const RecordTable& today_;
    std::mutex header_lock_;
    std::string header_;
};

// Lists are separate files: two threads take every other list, so that
// reading list ends and encoding entries, most of the filing's time, use
// both cores. A failing list ends its thread's share; of two failures the
// one of the list that comes first is raised.
void FileLists(const std::vector<ListRows>& lists, HistoryFiler& filer) {
    struct Failure {
        size_t at = SIZE_MAX;
        std::exception_ptr error;
    };
    const auto file_share = [&](size_t first, size_t step) {
        Failure failure;
        for (size_t i = first; i < lists.size(); i += step) {
            try {
                filer.FileList(lists[i]);
            } catch (...) {
                failure = {i, std::current_exception()};
                break;
            }
        }
        return failure;
    };
    Failure failure;
    if (lists.size() < kSharedFilingLists) {
        failure = file_share(0, 1);
    } else {
        auto other = std::async(std::launch::async, file_share, 1, 2);
        failure = file_share(0, 2);
        const Failure second = other.get();
        if (second.at < failure.at) failure = second;
    }
    if (failure.error) std::rethrow_exception(failure.error);
}

}  // namespace

void MergeDayIntoHistory(const std::string& kind) {
    RecordTable today;
    ReadRecordFile(TodayListPath(kind), today);
    HistoryFiler filer(kind, today);
    FileLists(RowsByList(today), filer);
}

}  // namespace veltod
