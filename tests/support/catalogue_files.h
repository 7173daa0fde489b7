#pragma once
// Builders for the catalogue files that category, search and tree tests need.
#include <string>
#include <vector>

#include "core/records/record_file.h"
#include "core/records/record_table.h"

namespace veltod::test {

struct CategoryLine {
    int code;
    int parent;
    int level;
    std::string name;
};

// A category list: 4 fields per record, in the order given (oldest first).
inline std::string CategoryList(const std::vector<CategoryLine>& categories) {
    std::string bytes = "4\r\n";
    for (const auto& c : categories)
        bytes += std::to_string(c.code) + "\r\n" + std::to_string(c.parent) + "\r\n" + std::to_string(c.level) + "\r\n" +
                 c.name + "\r\n";
    return bytes;
}

// One 14-field catalogue entry with the given name and category code.
inline std::vector<std::string> Entry(const std::string& name, const std::string& category) {
    return {name, "http://example.org/" + name, "", "10", "", "", "", "about " + name, "1", category, "1", "", "", ""};
}

inline std::string EntryList(const std::vector<std::vector<std::string>>& oldest_first, int width = 14) {
    std::string bytes = std::to_string(width) + "\r\n";
    for (const auto& entry : oldest_first)
        for (int i = 0; i < width; ++i) bytes += (i < static_cast<int>(entry.size()) ? entry[i] : "") + "\r\n";
    return bytes;
}

// The entry ids (field 10) of a list, oldest first: in file order.
inline std::vector<std::string> EntryIds(const std::string& path) {
    RecordTable table;
    ReadRecordFile(path, table);
    std::vector<std::string> ids;
    for (size_t row = table.RowCount(); row-- > 0;) ids.push_back(table.FieldString(row, 10));
    return ids;
}

}  // namespace veltod::test
