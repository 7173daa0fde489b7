#pragma once
// Catalogue record files: line 1 the field count N, then records of exactly N
// lines, oldest first. Bytes in, bytes out. Reading, CR LF, a lone CR and a
// lone LF each end a line and a 0x1A byte ends the file; writing is CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "core/records/record_table.h"

namespace veltod {

// Largest field count a file may declare.
inline constexpr int kMaxFieldCount = 32767;

// The field count of a count line: a whole number from 1 to kMaxFieldCount,
// else ConvertError.
int ParseFieldCount(std::string_view line);

// Reads the file into table, newest record first. A file holding only its
// count line leaves table as it was. Raises FileError when the file cannot be
// read and ConvertError for a bad count line; table is unchanged then.
void ReadRecordFile(const std::string& path, RecordTable& table);

// The same on bytes already in memory (the reader's whole logic).
void ParseRecordBytes(std::string bytes, RecordTable& table);

// The bytes of one record: each field followed by CR LF.
std::string EncodeRecord(const std::vector<std::string>& fields);
std::string EncodeRecord(const RecordTable& table, size_t row);

// Appends one record in a single write (the file must exist).
void AppendRecord(const std::string& path, const std::vector<std::string>& fields);

// Creates or truncates the file with just its count line.
void StartRecordFile(const std::string& path, int field_count);

// Writes the table back oldest first (last row first) after the count line.
void WriteRecordTable(const std::string& path, const RecordTable& table);

// Writes a whole file from records listed oldest first.
void WriteRecordFile(const std::string& path, int field_count, const std::vector<std::vector<std::string>>& oldest_first);

}  // namespace veltod
