#include "core/apply/package_format.h"

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "core/platform/file_io.h"
#include "core/records/line_scanner.h"

namespace veltod {
namespace {

constexpr std::string_view kMagic = "MZP";
constexpr std::string_view kVersion = "VDP1";
constexpr size_t kHeaderSize = 3 + 4 + 8;
// Limits that keep a hostile package from exhausting memory or disk.
constexpr uint64_t kMaxArchiveSize = 1ULL << 30;
constexpr int64_t kMaxMemberSize = 512LL << 20;
constexpr size_t kMaxMembers = 100000;

void InitSodium() {
    if (sodium_init() < 0) throw PackageError("The signature library could not start");
}

using ArchivePtr = std::unique_ptr<struct archive, int (*)(struct archive*)>;

la_ssize_t AppendToString(struct archive*, void* target, const void* buffer, size_t length) {
    static_cast<std::string*>(target)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

std::string Hex(const std::string& bytes) {
    std::string text(bytes.size() * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    text.pop_back();
    return text;
}

}  // namespace

bool IsSafeMemberName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

void MakeKeyPair(std::string& public_key, std::string& secret_key) {
    InitSodium();
    public_key.assign(kPublicKeySize, '\0');
    secret_key.assign(kSecretKeySize, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(public_key.data()),
                        reinterpret_cast<unsigned char*>(secret_key.data()));
}

std::string ReadKeyFile(const std::string& path, size_t key_size) {
    const std::string text = ReadWholeFile(path);
    std::string key(key_size, '\0');
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_hex2bin(reinterpret_cast<unsigned char*>(key.data()), key.size(), text.data(), text.size(), " \r\n",
                       &length, &end) != 0 ||
        length != key_size)
        throw PackageError("The key file " + path + " does not hold a key");
    return key;
}

void WriteKeyFile(const std::string& path, const std::string& key) { ReplaceFileAtomically(path, Hex(key) + "\n"); }

std::string BuildPackage(const std::vector<PackageFile>& files, const std::string& secret_key) {
    InitSodium();
    if (secret_key.size() != kSecretKeySize) throw PackageError("The signing key has the wrong size");
    std::string archive_bytes;
    {
        ArchivePtr writer(archive_write_new(), archive_write_free);
        archive_write_set_format_pax_restricted(writer.get());
        archive_write_add_filter_gzip(writer.get());
        // No time in the gzip header: the same files make the same package
        // bytes, whenever they are packed.
        if (archive_write_set_filter_option(writer.get(), "gzip", "timestamp", nullptr) != ARCHIVE_OK)
            throw PackageError(archive_error_string(writer.get()));
        if (archive_write_open(writer.get(), &archive_bytes, nullptr, AppendToString, nullptr) != ARCHIVE_OK)
            throw PackageError(archive_error_string(writer.get()));
        for (const auto& file : files) {
            if (!IsSafeMemberName(file.name)) throw PackageError("'" + file.name + "' is not a safe member name");
            std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(), archive_entry_free);
            archive_entry_set_pathname(entry.get(), file.name.c_str());
            archive_entry_set_size(entry.get(), static_cast<la_int64_t>(file.bytes.size()));
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_perm(entry.get(), 0644);
            if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK ||
                archive_write_data(writer.get(), file.bytes.data(), file.bytes.size()) < 0)
                throw PackageError(archive_error_string(writer.get()));
        }
        if (archive_write_close(writer.get()) != ARCHIVE_OK) throw PackageError(archive_error_string(writer.get()));
    }
    std::string package(kMagic);
    package += kVersion;
    uint64_t length = archive_bytes.size();
    for (int i = 0; i < 8; ++i) package += static_cast<char>((length >> (8 * i)) & 0xFF);
    package += archive_bytes;
    unsigned char signature[kSignatureSize];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(package.data()), package.size(),
                         reinterpret_cast<const unsigned char*>(secret_key.data()));
    package.append(reinterpret_cast<const char*>(signature), kSignatureSize);
    return package;
}

std::vector<PackageFile> OpenPackage(std::string_view package, const std::string& public_key) {
    InitSodium();
    if (public_key.size() != kPublicKeySize) throw PackageError("The public key has the wrong size");
    if (package.size() < kHeaderSize || package.substr(0, 3) != kMagic || package.substr(3, 4) != kVersion)
        throw PackageError("The file is not an update package");
    uint64_t length = 0;
    for (int i = 7; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(package[7 + i]);
    if (length > kMaxArchiveSize || length + kHeaderSize + kSignatureSize > package.size())
        throw PackageError("The update package is incomplete");
    const size_t signed_size = kHeaderSize + length;
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(package.data()) + signed_size,
                                    reinterpret_cast<const unsigned char*>(package.data()), signed_size,
                                    reinterpret_cast<const unsigned char*>(public_key.data())) != 0)
        throw PackageError("The update package's signature is not valid");

    ArchivePtr reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_tar(reader.get());
    if (archive_read_open_memory(reader.get(), package.data() + kHeaderSize, length) != ARCHIVE_OK)
        throw PackageError(std::string("The update package cannot be read: ") + archive_error_string(reader.get()));
    std::vector<PackageFile> files;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK)
            throw PackageError(std::string("The update package cannot be read: ") + archive_error_string(reader.get()));
        const char* raw_name = archive_entry_pathname(entry);
        const std::string name = raw_name ? raw_name : "";
        if (!IsSafeMemberName(name))
            throw PackageError("The update package names a file outside the program's folder: '" + name + "'");
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry) != nullptr)
            throw PackageError("The update package holds '" + name + "', which is not a plain file");
        if (archive_entry_size(entry) > kMaxMemberSize || files.size() >= kMaxMembers)
            throw PackageError("The update package is too large");
        PackageFile file{name, {}};
        char buffer[65536];
        for (;;) {
            const la_ssize_t got = archive_read_data(reader.get(), buffer, sizeof buffer);
            if (got < 0)
                throw PackageError(std::string("The update package cannot be read: ") + archive_error_string(reader.get()));
            if (got == 0) break;
            file.bytes.append(buffer, static_cast<size_t>(got));
            if (file.bytes.size() > static_cast<size_t>(kMaxMemberSize)) throw PackageError("The update package is too large");
        }
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<std::string> DayIndexDays(std::string_view bytes, const std::string& file) {
    std::vector<std::string_view> lines;
    ScanLines(bytes.data(), bytes.data() + bytes.size(), [&](std::string_view line) { lines.push_back(line); });
    std::vector<std::string> days;
    for (size_t at = 1; at < lines.size(); ++at) {
        const std::string_view line = lines[at];
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const bool day = line.size() == 8 && line.find_first_not_of("0123456789") == std::string_view::npos;
        if (!day)
            throw PackageError("The day index " + file + " holds '" + std::string(line) + "' on line " +
                               std::to_string(at + 1) + ", which is not a day");
        days.emplace_back(line);
    }
    return days;
}

std::vector<std::string> UnpackPackage(std::string_view package, const std::string& public_key,
                                       const std::string& folder) {
    const std::vector<PackageFile> files = OpenPackage(package, public_key);
    // Refusals that only writing would meet are made before anything is
    // written: a name that is a file and another member's folder.
    std::set<std::string> names, folders;
    for (const auto& file : files) {
        names.insert(file.name);
        for (size_t slash = file.name.find('/'); slash != std::string::npos; slash = file.name.find('/', slash + 1))
            folders.insert(file.name.substr(0, slash));
        if (file.name == "dias.lst") DayIndexDays(file.bytes, "dias.lst");
    }
    for (const auto& name : names)
        if (folders.count(name))
            throw PackageError("The update package holds '" + name + "' both as a file and as a folder");
    BeneathWriter writer(folder);
    std::vector<std::string> written;
    for (size_t i = 0; i < files.size(); ++i) {
        // A name met again later in the archive is written with its last bytes.
        const auto later = std::find_if(files.begin() + static_cast<std::ptrdiff_t>(i) + 1, files.end(),
                                        [&](const PackageFile& other) { return other.name == files[i].name; });
        if (later != files.end()) continue;
        writer.Stage(files[i].name, files[i].bytes);
        written.push_back(files[i].name);
    }
    writer.Commit();
    return written;
}

std::string SignText(std::string_view text, const std::string& secret_key) {
    InitSodium();
    if (secret_key.size() != kSecretKeySize) throw PackageError("The signing key has the wrong size");
    std::string signature(kSignatureSize, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                         reinterpret_cast<const unsigned char*>(secret_key.data()));
    return Hex(signature);
}

bool TextSignatureVerifies(std::string_view text, std::string_view signature_hex, const std::string& public_key) {
    InitSodium();
    if (public_key.size() != kPublicKeySize) return false;
    unsigned char signature[kSignatureSize];
    size_t length = 0;
    if (sodium_hex2bin(signature, sizeof signature, signature_hex.data(), signature_hex.size(), nullptr, &length,
                       nullptr) != 0 ||
        length != kSignatureSize)
        return false;
    return crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                       reinterpret_cast<const unsigned char*>(public_key.data())) == 0;
}

}  // namespace veltod
