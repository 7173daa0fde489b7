#pragma once
// Update packages. A package is "MZP", a header ("VDP1" and the archive's
// length as 8 bytes, least significant first), a tar archive of the day's
// files, and an Ed25519 signature over everything before it. Bytes after the
// signature are ignored (a download may carry a line end after it).
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/errors.h"

namespace veltod {

// A package that cannot be trusted or unpacked; the message says why.
class PackageError : public Error {
public:
    using Error::Error;
};

struct PackageFile {
    std::string name;   // relative path with "/" separators, e.g. "20261208.1cat"
    std::string bytes;
};

inline constexpr size_t kPublicKeySize = 32;
inline constexpr size_t kSecretKeySize = 64;
inline constexpr size_t kSignatureSize = 64;

// A new signing key pair (raw bytes).
void MakeKeyPair(std::string& public_key, std::string& secret_key);

// Key files hold the key as hexadecimal text on one line.
std::string ReadKeyFile(const std::string& path, size_t key_size);
void WriteKeyFile(const std::string& path, const std::string& key);

// Signatures of the text lists a mirror publishes, as hexadecimal text on a
// line of its own after the list's end marker ("firma " + 128 digits), over
// the content between the markers as the client keeps it (each line ending
// in CR LF). Readers of the list never see the line; a client that does not
// know it skips it.
inline constexpr const char* kSignatureLine = "firma ";
std::string SignText(std::string_view text, const std::string& secret_key);
bool TextSignatureVerifies(std::string_view text, std::string_view signature_hex, const std::string& public_key);

// Builds and signs a package holding the files in the given order.
std::string BuildPackage(const std::vector<PackageFile>& files, const std::string& secret_key);

// Checks the signature and every member, then returns the members. Raises
// PackageError on a bad signature or format, an absolute name, a name that
// leaves the folder, or a member that is not a plain file; nothing is
// returned then.
std::vector<PackageFile> OpenPackage(std::string_view package, const std::string& public_key);

// OpenPackage, then writes the members below folder, never through a link
// leading out of it. Nothing is written unless every member can be: a member
// that is also another's folder, or a day index with a bad line, refuses the
// package first, and a failure while writing removes what was staged.
// Returns the names written.
std::vector<std::string> UnpackPackage(std::string_view package, const std::string& public_key,
                                       const std::string& folder);

// The days of a day index ("dias.lst": a count line, then one day YYYYMMDD a
// line, oldest first). Blank lines are skipped; any other line that is not a
// day raises PackageError naming the file and the line.
std::vector<std::string> DayIndexDays(std::string_view bytes, const std::string& file);

// True when name is relative and stays inside its folder.
bool IsSafeMemberName(std::string_view name);

}  // namespace veltod
