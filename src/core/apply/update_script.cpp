#include "core/apply/update_script.h"

#include <climits>
#include <map>
#include <optional>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/line_scanner.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"

namespace veltod {
namespace {

// Codes become file names. A name that would reach another folder, that the
// system calls would cut at a NUL byte, or that no folder can hold is refused
// while the script runs in memory, so the script changes nothing, rather than
// failing half-way through writing its files and again at every retry.
std::string FileName(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos || name.size() > NAME_MAX)
        throw Error("The update script names an invalid file: '" + name + "'");
    return name;
}

std::string CategoryList(const std::string& code) { return kResourcesFolder + FileName(code + ".cat"); }

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    ScanLines(bytes.data(), bytes.data() + bytes.size(), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

// The files a script changes, kept in memory until the script has finished.
class ScriptFiles {
public:
    bool Exists(const std::string& path) const { return files_.count(path) > 0 || FileExists(path); }

    std::string Read(const std::string& path) const {
        const auto found = files_.find(path);
        return found != files_.end() ? found->second : ReadWholeFile(path);
    }

    void ReadRecords(const std::string& path, RecordTable& table) const { ParseRecordBytes(Read(path), table); }

    void Write(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }

    // Appending needs an existing file, as opening one for appending does.
    void Append(const std::string& path, const std::string& bytes) {
        std::string content = Read(path);
        content += bytes;
        files_[path] = std::move(content);
    }

    // Rewrites a record file keeping the rows that keep() accepts, after
    // edit() has changed them. A file without records is left alone.
    template <typename Keep, typename Edit>
    void Rewrite(const std::string& path, Keep keep, Edit edit) {
        RecordTable table;
        ReadRecords(path, table);
        if (table.RowCount() == 0) return;
        std::string bytes = std::to_string(table.Width()) + "\r\n";
        for (size_t row = table.RowCount(); row-- > 0;) {
            if (!keep(table, row)) continue;
            std::vector<std::string> fields = table.Row(row);
            edit(fields);
            bytes += EncodeRecord(fields);
        }
        Write(path, std::move(bytes));
    }

    const std::map<std::string, std::string>& Changed() const { return files_; }

private:
    std::map<std::string, std::string> files_;
};

void RunCommand(ScriptFiles& files, const RecordTable& script, size_t row) {
    const std::string keyword = script.FieldString(row, 0);
    const std::string a1 = script.FieldString(row, 1);
    const std::string a2 = script.FieldString(row, 2);
    const std::string a3 = script.FieldString(row, 3);
    const std::string a4 = script.FieldString(row, 4);
    const auto no_edit = [](std::vector<std::string>&) {};
    const auto code_is = [](const std::string& code) {
        return [code](const RecordTable& table, size_t row) { return table.Field(row, 0) == code; };
    };

    if (keyword == "&ADDCAT&" || keyword == "&NUECAT&") {
        files.Append(kCategoryListFile, EncodeRecord({a1, a2, a3, a4}));
        if (keyword == "&ADDCAT&") {
            const auto header = Lines(files.Read(kCategoryHeaderFile));
            files.Write(CategoryList(a1), (header.empty() ? std::string() : header[0]) + "\r\n");
        } else {
            const std::string list = CategoryList(a1);
            const std::string delivered = kBinFolder + FileName(a1 + ".newcat");
            if (files.Exists(delivered)) files.Write(list, files.Read(delivered));
        }
    } else if (keyword == "&QUICAT&") {
        files.Rewrite(kCategoryListFile, [&](const RecordTable& t, size_t r) { return !code_is(a1)(t, r); }, no_edit);
    } else if (keyword == "&MOVCAT&") {
        RecordTable source;
        files.ReadRecords(CategoryList(a1), source);
        const std::string target = CategoryList(a2);
        std::string bytes;
        for (size_t row = source.RowCount(); row-- > 0;) {
            std::vector<std::string> fields = source.Row(row);
            if (fields.size() > 9) fields[9] = a2;
            bytes += EncodeRecord(fields);
        }
        files.Append(target, bytes);
    } else if (keyword == "&QUIFIL&") {
        const std::string path = kResourcesFolder + FileName(a1 + "." + a3 + "cat");
        if (!files.Exists(path)) return;
        const std::string id = a1 + a2;
        files.Rewrite(path, [&](const RecordTable& t, size_t r) { return t.Field(r, 10) != id; }, no_edit);
    } else if (keyword == "&MOVFIL&") {
        const std::string source = CategoryList(a1);
        RecordTable table;
        files.ReadRecords(source, table);
        std::string moved;
        for (size_t row = table.RowCount(); row-- > 0;) {
            if (table.Field(row, 10) != a2) continue;
            std::vector<std::string> fields = table.Row(row);
            if (fields.size() > 9) fields[9] = a3;
            moved += EncodeRecord(fields);
        }
        files.Rewrite(source, [&](const RecordTable& t, size_t r) { return t.Field(r, 10) != a2; }, no_edit);
        files.Append(CategoryList(a3), moved);
    } else if (keyword == "&RENCAT&") {
        files.Rewrite(kCategoryListFile, [](const RecordTable&, size_t) { return true; }, [&](std::vector<std::string>& f) {
            if (f.size() > 3 && f[0] == a1) f[3] = a2;
        });
    } else if (keyword == "&CAMPAD&") {
        files.Rewrite(kCategoryListFile, [](const RecordTable&, size_t) { return true; }, [&](std::vector<std::string>& f) {
            if (f.size() > 2 && f[0] == a1) {
                f[1] = a2;
                f[2] = a3;
            }
        });
    } else if (keyword == "&CONTAD&") {
        std::vector<std::string> lines;
        if (files.Exists(kConnectionSettingsFile)) lines = Lines(files.Read(kConnectionSettingsFile));
        lines.resize(5);
        lines.resize(4);
        lines.push_back(a1);
        std::string bytes;
        for (const auto& line : lines) bytes += line + "\r\n";
        files.Write(kConnectionSettingsFile, std::move(bytes));
    }
}

// Journal: the script's name and bytes, then each changed file and its new
// content, every item as its decimal length, a line end and the bytes.
std::string EncodeJournal(const std::string& name, const std::string& script,
                          const std::map<std::string, std::string>& files) {
    std::string bytes;
    const auto put = [&](const std::string& item) {
        bytes += std::to_string(item.size());
        bytes += '\n';
        bytes += item;
    };
    put(name);
    put(script);
    for (const auto& [path, content] : files) {
        put(path);
        put(content);
    }
    return bytes;
}

struct Journal {
    std::string name;
    std::string script;
    std::vector<std::pair<std::string, std::string>> files;
};

std::optional<Journal> DecodeJournal(const std::string& bytes) {
    size_t at = 0;
    const auto take = [&](std::string& item) {
        const size_t line_end = bytes.find('\n', at);
        if (line_end == std::string::npos || line_end == at || line_end - at > 12) return false;
        size_t length = 0;
        for (size_t i = at; i < line_end; ++i) {
            if (bytes[i] < '0' || bytes[i] > '9') return false;
            length = length * 10 + static_cast<size_t>(bytes[i] - '0');
        }
        if (length > bytes.size() - line_end - 1) return false;
        item = bytes.substr(line_end + 1, length);
        at = line_end + 1 + length;
        return true;
    };
    Journal journal;
    if (!take(journal.name) || !take(journal.script)) return std::nullopt;
    while (at < bytes.size()) {
        std::string path, content;
        if (!take(path) || !take(content)) return std::nullopt;
        journal.files.emplace_back(std::move(path), std::move(content));
    }
    return journal;
}

void Replay(const Journal& journal) {
    for (const auto& [path, content] : journal.files) {
        ApplyStep();
        ReplaceFileAtomically(path, content);
        if (path == kConnectionSettingsFile) TheApplyState().ProxyFileRewritten = "ACTUALIZADO";
    }
}

}  // namespace

void DropScriptJournal(const std::string& last_applied_day) {
    if (!FileExists(kScriptJournalFile)) return;
    std::optional<Journal> journal = DecodeJournal(ReadWholeFile(kScriptJournalFile));
    if (journal && journal->name.substr(0, 8) > last_applied_day) return;
    ApplyStep();
    DeleteFile(kScriptJournalFile);
}

void RunUpdateScript(const std::string& script_name) {
    const std::string script_bytes = ReadWholeFile(kBinFolder + script_name);
    if (FileExists(kScriptJournalFile)) {
        std::optional<Journal> journal;
        try {
            journal = DecodeJournal(ReadWholeFile(kScriptJournalFile));
        } catch (const FileError&) {
        }
        if (journal && journal->name == script_name && journal->script == script_bytes) {
            Replay(*journal);
            return;
        }
    }

    RecordTable script;
    ParseRecordBytes(script_bytes, script);
    ScriptFiles files;
    for (size_t row = 0; row < script.RowCount(); ++row) RunCommand(files, script, row);

    const std::string journal_bytes = EncodeJournal(script_name, script_bytes, files.Changed());
    ApplyStep();
    ReplaceFileAtomically(kScriptJournalFile, journal_bytes);
    Replay(*DecodeJournal(journal_bytes));
}

}  // namespace veltod
