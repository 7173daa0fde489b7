#pragma once
// The file operations every module uses. Data files are bytes: nothing here
// converts text. Every whole-file rewrite is crash-safe (new file beside the
// target, fsync, rename over it), and an append is one write call, so a
// killed process never leaves half a record behind.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltod {

// The path as the system takes it; FileError "Invalid file name" when it
// holds a NUL byte. A file that such a name could only seem to name does not
// exist for FileExists and is not deleted by DeleteFile.
const char* SystemPath(const std::string& path);

bool FileExists(const std::string& path);

// Tells one version of a file from another without reading it: a rewrite
// here makes a new file (another inode) and an append changes the size and
// the time. Empty when the file is missing or no plain file.
struct FileStamp {
    unsigned long long device = 0, inode = 0, size = 0;
    long long seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOfFile(const std::string& path);

// The whole file; FileError "File not found" when it is missing.
std::string ReadWholeFile(const std::string& path);

// At most the first max_bytes of the file; the same errors as ReadWholeFile.
std::string ReadFileStart(const std::string& path, size_t max_bytes);

// The same into a buffer that is not zero-filled first (large lists).
struct FileBytes {
    std::shared_ptr<char> data;
    size_t size = 0;
};
FileBytes ReadWholeFileBytes(const std::string& path);

// Several files one after the other in one buffer, sizes[i] bytes each: one
// large block costs fewer page faults than one fresh block a file.
FileBytes ReadWholeFilesBytes(const std::vector<std::string>& paths, std::vector<size_t>& sizes);

// Recreates path with exactly these bytes, atomically.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// What a rewrite leaves to the disk when it is renamed into place.
enum class Durability {
    kSynced,   // the new file and its name are flushed before the rename returns
    kDerived,  // not flushed: it can always be made again from other files, and
               // the caller's next SyncFileSystem makes it durable; until then
               // the caller can tell that it is to be made again. The file it
               // replaces is let go without waiting for its blocks to be freed
    kPassing,  // not flushed nor handed to the disk early: read back only by the
               // run that wrote it, and removed by the start-up pass after any stop
};

// Recreates a file written piece by piece, with the same crash safety: the
// pieces go to a new file beside the target, which replaces the target only
// at Commit. Dropped without Commit, the new file is removed and the target
// stays as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path, Durability durability = Durability::kSynced);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void Flush();
    void Put(std::string_view bytes);

    std::string path_;
    Durability durability_;
    std::string temporary_;
    std::string pending_;
    size_t written_ = 0;
    int fd_ = -1;
};

// Appends the bytes in one write and flushes; the file must exist unless
// create is set (then it is created when missing).
void AppendToFile(const std::string& path, std::string_view bytes, bool create = false);

// Writes all the bytes to an open file descriptor, retrying short writes.
void WriteAllBytes(int fd, std::string_view bytes);

// Creates path as an empty file when it is missing, without a flush: for a
// mark whose presence is all it says. The next SyncFileSystem makes it
// durable.
void CreateMarkFile(const std::string& path);

// Deletes path; true when it existed and was removed.
bool DeleteFile(const std::string& path);

// Copies source over target (crash-safe on the target side).
void CopyFile(const std::string& source, const std::string& target);

// Gives target the content of source, crash-safe on the target side, as a
// second name of the same bytes (a hard link) where the file system allows,
// else as a copy. Only for files that are replaced whole, never written in
// place, since both names then share one content. The folder is not flushed:
// the next flush of the folder or of the file system makes the name durable.
void LinkOrCopyFile(const std::string& source, const std::string& target);

// Makes everything written so far on the file system holding path durable,
// in one flush instead of one per file.
void SyncFileSystem(const std::string& path);

// Renames source to target, replacing target when it exists.
void MoveFile(const std::string& source, const std::string& target);

// Files reached below a folder (the root) without leaving it: relative
// paths only, no ".." part, and no link followed out of the root (openat2's
// RESOLVE_BENEATH where the kernel has it, else folder by folder without
// following any link). Missing folders are made. Stage writes each file
// beside its target as "<name>.new~"; Commit renames them all into place;
// what was not committed is removed when the writer goes, so a refusal
// half-way leaves no file behind.
class BeneathWriter {
public:
    explicit BeneathWriter(const std::string& root);
    ~BeneathWriter();
    BeneathWriter(const BeneathWriter&) = delete;
    BeneathWriter& operator=(const BeneathWriter&) = delete;

    void Stage(const std::string& relative, std::string_view bytes);
    void Commit();

private:
    struct Staged {
        int folder;
        std::string name;
    };
    int root_;
    std::vector<Staged> staged_;
};

// One file written below root through a BeneathWriter.
void ReplaceFileBeneath(const std::string& root, const std::string& relative, std::string_view bytes);

// Moves a plain file from one relative path below root to another; a link or
// anything else that is not a plain file is refused with FileError.
void MoveFileBeneath(const std::string& root, const std::string& from, const std::string& to);

// Removes path; false when it did not exist, FileError on any other failure.
bool RemoveFile(const std::string& path);

// Called just before every change that reaches the disk (a rename, an append,
// a delete, a link, a flush). Empty in the program; a crash test installs one
// that ends the process there, to stop a run at each of its durable steps.
using FileStepHook = void (*)();
void SetFileStepHook(FileStepHook hook);
void FileStep();
// Called just after a flush of a whole file system: what a power cut from
// then on would keep.
void SetFileSyncedHook(FileStepHook hook);

// The error text for an errno value, as the error box shows it.
std::string FileErrorText(int error_number);

}  // namespace veltod
