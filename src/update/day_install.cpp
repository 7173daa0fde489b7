#include "update/day_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "catalogue/line_scanner.h"
#include "catalogue/record_file.h"
#include "catalogue/record_table.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "update/apply_state.h"

namespace veltod {
namespace {

constexpr size_t kCategoryField = 9;
constexpr size_t kIdField = 10;
// Lists up to this size are read whole; larger ones only from their end.
constexpr size_t kWholeReadLimit = 64 * 1024;

std::string Resources(const std::string& name) { return "../Resources/" + name; }
std::string DayFile(const std::string& kind, int n) { return Resources("today." + kind + std::to_string(n)); }
std::string TodayList(const std::string& kind) { return Resources("today." + kind + "cat"); }

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

void RebuildWeekList(const std::string& kind) {
    std::string week;
    for (int n = 1; n <= 7; ++n) {
        const std::string bytes = ReadWholeFile(DayFile(kind, n));
        bool first = true;
        ScanLines(bytes.data(), bytes.data() + bytes.size(), [&](std::string_view line) {
            if (!first || n == 1) {
                week += line;
                week += "\r\n";
            }
            first = false;
        });
    }
    ApplyStep();
    ReplaceFileAtomically(Resources("S0100000." + kind + "txt"), week);
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

// Appends each batch to its file in one write call, then makes all of them
// durable at once: the syncs run side by side, so that filing a day into
// hundreds of lists does not wait for hundreds of disk flushes in a row.
void AppendBatches(const std::vector<std::pair<std::string, std::string>>& batches) {
    std::vector<int> written;
    std::exception_ptr failure;
    for (const auto& [path, bytes] : batches) {
        ApplyStep();
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0) {
            failure = std::make_exception_ptr(FileError(FileErrorText(errno)));
            break;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) break;
            done += static_cast<size_t>(put);
        }
        written.push_back(fd);
        if (done < bytes.size()) {
            failure = std::make_exception_ptr(FileError(FileErrorText(errno)));
            break;
        }
    }
    const size_t workers = std::min<size_t>(16, written.size());
    std::vector<std::thread> threads;
    for (size_t worker = 0; worker < workers; ++worker)
        threads.emplace_back([&, worker] {
            for (size_t i = worker; i < written.size(); i += workers) ::fdatasync(written[i]);
        });
    for (auto& thread : threads) thread.join();
    for (const int fd : written) ::close(fd);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

std::string HistoryPath(const std::string& category, const std::string& kind) {
    return Resources(category + "." + kind + "cat");
}

HistoryTail ReadHistoryTail(const std::string& path, const std::string& category) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return TailFromWholeFile(path);  // raises the file error
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
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

    // Anything that the end of the file cannot settle alone (an end-of-text
    // byte, a last record cut short, a record out of step with its category)
    // is left to the whole-file reader, so the answer is always the reader's.
    std::vector<char> tail;
    for (size_t chunk = 16 * 1024; chunk < size; chunk *= 4) {
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

void InstallDayList(const std::string& kind, const std::string& source) {
    ApplyStep();
    CopyFile(source, TodayList(kind));
    // The source is named by its day: "../bin/" + day + "." + kind + "cat".
    std::string name = source.substr(source.rfind('/') + 1);
    RotateDayFiles(kind, name.substr(0, name.find('.')));
    MergeDayIntoHistory(kind);
}

void RotateDayFiles(const std::string& kind, const std::string& day) {
    const std::string outgoing = DayFile(kind, 0);
    const std::string marker = Resources("today." + kind + "rot");
    if (!FileExists(outgoing)) {
        if (!day.empty() && MarkerDay(marker) == day) {
            RebuildWeekList(kind);
            return;
        }
        // A fresh installation may lack day files: they start as empty lists.
        for (int n = 1; n <= 7; ++n) {
            if (FileExists(DayFile(kind, n))) continue;
            ApplyStep();
            ReplaceFileAtomically(DayFile(kind, n), FirstLine(TodayList(kind)) + "\r\n");
        }
        // Day file 1 moves aside instead of going at once: while it is aside,
        // the first missing day file tells how far the rotation got.
        ApplyStep();
        MoveFile(DayFile(kind, 1), outgoing);
    }
    int hole = 0;
    for (int n = 1; n <= 7 && hole == 0; ++n)
        if (!FileExists(DayFile(kind, n))) hole = n;
    if (hole != 0) {
        for (int n = hole; n < 7; ++n) {
            ApplyStep();
            try {
                MoveFile(DayFile(kind, n + 1), DayFile(kind, n));
            } catch (const FileError&) {
            }
        }
        ApplyStep();
        CopyFile(TodayList(kind), DayFile(kind, 7));
    }
    if (!day.empty()) {
        ApplyStep();
        WriteRecordFile(marker, 1, {{day}});
    }
    ApplyStep();
    DeleteFile(outgoing);
    RebuildWeekList(kind);
}

void MergeDayIntoHistory(const std::string& kind) {
    RecordTable today;
    ReadRecordFile(TodayList(kind), today);

    struct History {
        HistoryTail tail;
        bool create = false;
        std::string header;
        std::string pending;
    };
    std::map<std::string, History> histories;
    std::vector<std::string> order;
    // Entries are gathered per list and written with one append each; the
    // decision for every entry is the same as appending them one by one.
    const auto flush = [&] {
        std::vector<std::pair<std::string, std::string>> batches;
        for (const auto& path : order) {
            History& history = histories[path];
            if (history.pending.empty()) continue;
            if (history.create) {
                ApplyStep();
                ReplaceFileAtomically(path, history.header + history.pending);
            } else {
                batches.emplace_back(path, std::move(history.pending));
            }
            history.create = false;
            history.pending.clear();
        }
        AppendBatches(batches);
    };
    try {
        for (size_t row = 0; row < today.RowCount(); ++row) {
            const std::string code = today.FieldString(row, kCategoryField);
            const std::string path = HistoryPath(code, kind);
            auto found = histories.find(path);
            if (found == histories.end()) {
                History history;
                if (FileExists(path)) {
                    history.tail = ReadHistoryTail(path, code);
                } else {
                    history.create = true;
                    history.header = FirstLine(Resources("0." + kind + "cat")) + "\r\n";
                }
                found = histories.emplace(path, std::move(history)).first;
                order.push_back(path);
            }
            History& history = found->second;
            const std::string_view id = today.Field(row, kIdField);
            if (history.tail.has_rows && StrToInt(id) <= StrToInt(history.tail.last_id)) continue;
            history.pending += EncodeRecord(today, row);
            history.tail.has_rows = true;
            history.tail.last_id = std::string(id);
        }
    } catch (...) {
        flush();
        throw;
    }
    flush();
}

}  // namespace veltod
