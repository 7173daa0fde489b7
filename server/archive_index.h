#pragma once
// One apt index as the publisher takes it in: a "Packages" file as apt keeps
// it in its lists folder (plain or compressed), checked against the signed
// Release or InRelease beside it before anything is read from it.
#include <string>

namespace veltod {

struct ArchiveIndex {
    std::string path;
    // What the publisher's state remembers the index by, from its file name.
    std::string key;
    // The suite's codename ("bookworm-security"), and the release it belongs
    // to ("bookworm"), as the Release names them.
    std::string suite;
    std::string release;
    bool security = false;
    // Base of the download addresses: the archive the index came from.
    std::string archive;
    // The Release's date, YYYYMMDD.
    std::string day;
    std::string text;  // the index, decompressed
};

// Reads and checks an index. Refused with an Error naming the file: no
// Release or InRelease beside it, a Release that is not signed or has no
// date, an index whose size differs from the one its Release lists (a cut
// or mixed download), a file that is not a Packages index.
ArchiveIndex ReadArchiveIndex(const std::string& path);

// A file as it stands or decompressed (xz, lz4, gzip, bzip2, zstd).
std::string ReadDecompressed(const std::string& path);

}  // namespace veltod
