#pragma once
// The file operations every module uses. Data files are bytes: nothing here
// converts text. Every whole-file rewrite is crash-safe (new file beside the
// target, fsync, rename over it), and an append is one write call, so a
// killed process never leaves half a record behind.
#include <memory>
#include <string>
#include <string_view>

namespace veltod {

bool FileExists(const std::string& path);

// The whole file; FileError "File not found" when it is missing.
std::string ReadWholeFile(const std::string& path);

// The same into a buffer that is not zero-filled first (large lists).
struct FileBytes {
    std::shared_ptr<char> data;
    size_t size = 0;
};
FileBytes ReadWholeFileBytes(const std::string& path);

// Recreates path with exactly these bytes, atomically.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Recreates a file written piece by piece, with the same crash safety: the
// pieces go to a new file beside the target, which replaces the target only
// at Commit. Dropped without Commit, the new file is removed and the target
// stays as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void Flush();

    std::string path_;
    std::string temporary_;
    std::string pending_;
    int fd_ = -1;
};

// Appends the bytes in one write and flushes; the file must exist unless
// create is set (then it is created when missing).
void AppendToFile(const std::string& path, std::string_view bytes, bool create = false);

// Deletes path; true when it existed and was removed.
bool DeleteFile(const std::string& path);

// Copies source over target (crash-safe on the target side).
void CopyFile(const std::string& source, const std::string& target);

// Renames source to target, replacing target when it exists.
void MoveFile(const std::string& source, const std::string& target);

// The error text for an errno value, as the error box shows it.
std::string FileErrorText(int error_number);

}  // namespace veltod
