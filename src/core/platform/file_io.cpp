#include "core/platform/file_io.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "core/platform/errors.h"
#include "core/platform/large_buffer.h"

namespace veltod {
namespace {

[[noreturn]] void RaiseFileError(int error_number) {
    throw FileError(FileErrorText(error_number));
}

FileStepHook file_step_hook = nullptr;
FileStepHook file_synced_hook = nullptr;

}  // namespace

void SetFileStepHook(FileStepHook hook) { file_step_hook = hook; }
void SetFileSyncedHook(FileStepHook hook) { file_synced_hook = hook; }

void FileStep() {
    if (file_step_hook) file_step_hook();
}

void WriteAllBytes(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            RaiseFileError(errno);
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    int get() const { return fd_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) RaiseFileError(errno);
    }

private:
    int fd_;
};

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void SyncDirectory(const std::string& path) {
    const int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename itself succeeded; durability is best effort here
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string FileErrorText(int error_number) {
    switch (error_number) {
    case ENOENT:
    case ENOTDIR:
        return "File not found";
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return "Access denied";
    case ENOSPC:
        return "Disk full";
    default:
        return std::strerror(error_number);
    }
}

const char* SystemPath(const std::string& path) {
    // The system reads a name up to its first NUL byte: a name holding one
    // would reach another file than the one every check was made on.
    if (path.find('\0') != std::string::npos) throw FileError("Invalid file name");
    return path.c_str();
}


std::optional<FileStamp> StampOfFile(const std::string& path) {
    struct stat info{};
    if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp{info.st_dev, info.st_ino, static_cast<unsigned long long>(info.st_size), info.st_mtim.tv_sec,
                     info.st_mtim.tv_nsec};
}

bool FileExists(const std::string& path) { return StampOfFile(path).has_value(); }

FileBytes ReadWholeFilesBytes(const std::vector<std::string>& paths, std::vector<size_t>& sizes) {
    std::vector<FileDescriptor> files;
    files.reserve(paths.size());
    size_t hint = 0;
    for (const auto& path : paths) {
        files.emplace_back(::open(SystemPath(path), O_RDONLY | O_CLOEXEC));
        if (files.back().get() < 0) RaiseFileError(errno);
        struct stat info{};
        if (::fstat(files.back().get(), &info) != 0) RaiseFileError(errno);
        if (S_ISDIR(info.st_mode)) RaiseFileError(EISDIR);
        hint += info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
    }
    // The sizes are a hint only: a file may grow or shrink while it is read.
    // One spare byte lets the last end-of-file read happen without growing.
    size_t capacity = (hint > 0 ? hint : 4096) + 1;
    const auto allocate = [](size_t bytes) {
        return std::shared_ptr<char>(static_cast<char*>(AllocateLarge(bytes)),
                                     [bytes](char* block) { FreeLarge(block, bytes); });
    };
    FileBytes bytes{allocate(capacity), 0};
    sizes.clear();
    for (const auto& file : files) {
        const size_t start = bytes.size;
        for (;;) {
            if (bytes.size == capacity) {
                auto larger = allocate(capacity * 2);
                std::memcpy(larger.get(), bytes.data.get(), bytes.size);
                bytes.data = std::move(larger);
                capacity *= 2;
            }
            const ssize_t got = ::read(file.get(), bytes.data.get() + bytes.size, capacity - bytes.size);
            if (got < 0) {
                if (errno == EINTR) continue;
                RaiseFileError(errno);
            }
            if (got == 0) break;
            bytes.size += static_cast<size_t>(got);
        }
        sizes.push_back(bytes.size - start);
    }
    return bytes;
}

FileBytes ReadWholeFileBytes(const std::string& path) {
    std::vector<size_t> sizes;
    return ReadWholeFilesBytes({path}, sizes);
}

std::string ReadWholeFile(const std::string& path) {
    const FileBytes bytes = ReadWholeFileBytes(path);
    return std::string(bytes.data.get(), bytes.size);
}

std::string ReadFileStart(const std::string& path, size_t max_bytes) {
    const FileDescriptor file(::open(SystemPath(path), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) RaiseFileError(errno);
    struct stat info{};
    if (::fstat(file.get(), &info) != 0) RaiseFileError(errno);
    if (S_ISDIR(info.st_mode)) RaiseFileError(EISDIR);
    std::string bytes(max_bytes, '\0');
    size_t size = 0;
    while (size < max_bytes) {
        const ssize_t got = ::read(file.get(), bytes.data() + size, max_bytes - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            RaiseFileError(errno);
        }
        if (got == 0) break;
        size += static_cast<size_t>(got);
    }
    bytes.resize(size);
    return bytes;
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFileWriter writer(path);
    writer.Write(bytes);
    writer.Commit();
}

// Small pieces are gathered up to this size before they are written.
constexpr size_t kWriterBatch = 1 << 20;

namespace {

// Swaps two existing names in one step. A rename over a file makes the file
// system write the new file out first (ext4's auto_da_alloc), which a file
// flushed later anyway need not wait for; the exchange does not. False when
// the target is missing or no plain file (a folder there must stop the
// rewrite, as a rename stops it, not be moved aside), or when the file
// system cannot exchange.
bool ExchangeNames(const std::string& from, const std::string& to) {
    struct stat info{};
    if (::lstat(to.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0;
}

// Removes the name of a file just replaced. Freeing a large file's pages and
// blocks takes milliseconds; it happens when its last descriptor closes, on a
// thread of its own, so the caller does not wait for it.
void DropReplacedFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    ::unlink(path.c_str());
    if (fd < 0) return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path, Durability durability)
    : path_(std::move(path)), durability_(durability), temporary_(path_ + ".new~") {
    // A name left at the temporary's place (a killed run's file, or a link
    // someone put there) is removed, never written through: the new file is
    // created fresh and no link is followed to open it.
    ::unlink(SystemPath(temporary_));
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) RaiseFileError(errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

void AtomicFileWriter::Flush() {
    Put(pending_);
    pending_.clear();
}

void AtomicFileWriter::Put(std::string_view bytes) {
    WriteAllBytes(fd_, bytes);
    // The disk starts taking a large file while the rest is still being
    // made, so that the flush has less left to wait for. A passing file is
    // left in memory: it is often gone before the disk would need it.
    if (durability_ != Durability::kPassing)
        ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(bytes.size()), SYNC_FILE_RANGE_WRITE);
    written_ += bytes.size();
}

void AtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) throw std::logic_error("write after commit");
    if (pending_.size() + bytes.size() > kWriterBatch) {
        Flush();
        if (bytes.size() > kWriterBatch) {
            Put(bytes);
            return;
        }
    }
    pending_.append(bytes);
}

void AtomicFileWriter::Commit() {
    if (fd_ < 0) throw std::logic_error("commit twice");
    Flush();
    const bool sync = durability_ == Durability::kSynced;
    if (sync && ::fsync(fd_) != 0) RaiseFileError(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error_number = errno;
        ::unlink(temporary_.c_str());
        RaiseFileError(error_number);
    }
    FileStep();
    if (durability_ == Durability::kDerived && ExchangeNames(temporary_, path_)) {
        DropReplacedFile(temporary_);
        return;
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int error_number = errno;
        ::unlink(temporary_.c_str());
        RaiseFileError(error_number);
    }
    if (sync) SyncDirectory(path_);
}

void AppendToFile(const std::string& path, std::string_view bytes, bool create) {
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0);
    FileDescriptor file(::open(SystemPath(path), flags, 0644));
    if (file.get() < 0) RaiseFileError(errno);
    FileStep();
    WriteAllBytes(file.get(), bytes);
    if (::fsync(file.get()) != 0) RaiseFileError(errno);
    file.Close();
}

void CreateMarkFile(const std::string& path) {
    if (FileExists(path)) return;
    FileStep();
    FileDescriptor file(::open(SystemPath(path), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.get() < 0) RaiseFileError(errno);
    file.Close();
}

bool DeleteFile(const std::string& path) {
    if (path.find('\0') != std::string::npos) return false;
    FileStep();
    return ::unlink(path.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    FileStep();
    if (::unlink(SystemPath(path)) == 0) return true;
    if (errno == ENOENT) return false;
    RaiseFileError(errno);
}

void CopyFile(const std::string& source, const std::string& target) {
    ReplaceFileAtomically(target, ReadWholeFile(source));
}

void LinkOrCopyFile(const std::string& source, const std::string& target) {
    const std::string temporary = target + ".new~";
    ::unlink(SystemPath(temporary));
    FileStep();
    if (::link(SystemPath(source), temporary.c_str()) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) RaiseFileError(errno);
        CopyFile(source, target);  // no hard links across folders of other file systems
        return;
    }
    FileStep();
    const bool renamed = ::rename(temporary.c_str(), target.c_str()) == 0;
    const int error_number = errno;
    // A rename between two names of one file does nothing and leaves the
    // new name behind.
    ::unlink(temporary.c_str());
    if (!renamed) RaiseFileError(error_number);
}

void SyncFileSystem(const std::string& path) {
    FileDescriptor file(::open(SystemPath(path), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) RaiseFileError(errno);
    FileStep();
    if (::syncfs(file.get()) != 0) RaiseFileError(errno);
    if (file_synced_hook) file_synced_hook();
}

void MoveFile(const std::string& source, const std::string& target) {
    FileStep();
    if (::rename(SystemPath(source), SystemPath(target)) != 0) RaiseFileError(errno);
}

}  // namespace veltod

namespace veltod {
namespace {

std::vector<std::string> PathParts(const std::string& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        std::string part = relative.substr(start, end - start);
        if (part == "..") throw FileError("Access denied");
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty()) throw FileError("File not found");
    return parts;
}

// The folder of parts[0 .. count) below root, made when missing. Each step
// resolves one name beneath the folder reached so far: with openat2 a link
// may lead anywhere inside that folder, never out of it; without openat2 no
// link is followed at all.
int OpenFolderBeneath(int root, const std::vector<std::string>& parts, size_t count) {
    int folder = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
    if (folder < 0) RaiseFileError(errno);
    for (size_t i = 0; i < count; ++i) {
        const char* name = SystemPath(parts[i]);
        const auto open_one = [&] {
            open_how how{};
            how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
            how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
            int fd = static_cast<int>(::syscall(SYS_openat2, folder, name, &how, sizeof how));
            if (fd < 0 && errno == ENOSYS) fd = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            return fd;
        };
        int next = open_one();
        if (next < 0 && errno == ENOENT && (::mkdirat(folder, name, 0755) == 0 || errno == EEXIST)) next = open_one();
        const int error_number = errno;
        ::close(folder);
        if (next < 0) RaiseFileError(error_number == EXDEV || error_number == ELOOP ? EACCES : error_number);
        folder = next;
    }
    return folder;
}

int OpenRoot(const std::string& root) {
    const int fd = ::open(SystemPath(root), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) RaiseFileError(errno);
    return fd;
}

}  // namespace

BeneathWriter::BeneathWriter(const std::string& root) : root_(OpenRoot(root)) {}

BeneathWriter::~BeneathWriter() {
    for (const auto& file : staged_) {
        ::unlinkat(file.folder, (file.name + ".new~").c_str(), 0);
        ::close(file.folder);
    }
    ::close(root_);
}

void BeneathWriter::Stage(const std::string& relative, std::string_view bytes) {
    const std::vector<std::string> parts = PathParts(relative);
    const int folder = OpenFolderBeneath(root_, parts, parts.size() - 1);
    const std::string temporary = parts.back() + ".new~";
    ::unlinkat(folder, SystemPath(temporary), 0);
    FileDescriptor file(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.get() < 0) {
        const int error_number = errno;
        ::close(folder);
        RaiseFileError(error_number);
    }
    staged_.push_back({folder, parts.back()});
    WriteAllBytes(file.get(), bytes);
    if (::fsync(file.get()) != 0) RaiseFileError(errno);
    file.Close();
}

void BeneathWriter::Commit() {
    // A folder where a file should go is refused before anything is renamed.
    for (const auto& file : staged_) {
        struct stat info{};
        if (::fstatat(file.folder, file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode))
            RaiseFileError(EISDIR);
    }
    while (!staged_.empty()) {
        const Staged file = staged_.front();
        FileStep();
        // The last name is replaced, never followed: a link there goes.
        if (::renameat(file.folder, (file.name + ".new~").c_str(), file.folder, file.name.c_str()) != 0)
            RaiseFileError(errno);
        ::fsync(file.folder);
        ::close(file.folder);
        staged_.erase(staged_.begin());
    }
}

void ReplaceFileBeneath(const std::string& root, const std::string& relative, std::string_view bytes) {
    BeneathWriter writer(root);
    writer.Stage(relative, bytes);
    writer.Commit();
}

void MoveFileBeneath(const std::string& root, const std::string& from, const std::string& to) {
    FileDescriptor top(OpenRoot(root));
    const std::vector<std::string> from_parts = PathParts(from);
    const std::vector<std::string> to_parts = PathParts(to);
    FileDescriptor source(OpenFolderBeneath(top.get(), from_parts, from_parts.size() - 1));
    struct stat info{};
    if (::fstatat(source.get(), SystemPath(from_parts.back()), &info, AT_SYMLINK_NOFOLLOW) != 0) RaiseFileError(errno);
    if (!S_ISREG(info.st_mode)) RaiseFileError(EACCES);
    FileDescriptor target(OpenFolderBeneath(top.get(), to_parts, to_parts.size() - 1));
    FileStep();
    if (::renameat(source.get(), from_parts.back().c_str(), target.get(), SystemPath(to_parts.back())) != 0)
        RaiseFileError(errno);
}

}  // namespace veltod
