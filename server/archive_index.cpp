#include "server/archive_index.h"

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;

const std::array<const char*, 5> kCompressions = {".lz4", ".xz", ".gz", ".bz2", ".zst"};

std::string WithoutCompression(std::string name) {
    for (const char* suffix : kCompressions) {
        const std::string ending(suffix);
        if (name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            return name.substr(0, name.size() - ending.size());
    }
    return name;
}

// The value of a Release field, empty when absent.
std::string ReleaseField(const std::string& release, const std::string& name) {
    const std::string key = "\n" + name + ":";
    const size_t at = ("\n" + release).find(key);
    if (at == std::string::npos) return {};
    size_t begin = at + key.size() - 1;
    while (begin < release.size() && release[begin] == ' ') ++begin;
    size_t end = release.find('\n', begin);
    if (end == std::string::npos) end = release.size();
    while (end > begin && (release[end - 1] == '\r' || release[end - 1] == ' ')) --end;
    return release.substr(begin, end - begin);
}

// "Mon, 07 Dec 2026 02:13:01 UTC" -> "20261207"; empty when it is no date.
std::string DayOfReleaseDate(const std::string& date) {
    static const std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::vector<std::string> words;
    for (size_t at = 0; at < date.size();) {
        const size_t end = std::min(date.find(' ', at), date.size());
        if (end > at) words.push_back(date.substr(at, end - at));
        at = end + 1;
    }
    if (words.size() < 4) return {};
    const std::string& day = words[1];
    const std::string& year = words[3];
    size_t month = 0;
    while (month < kMonths.size() && words[2] != kMonths[month]) ++month;
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    if (month == kMonths.size() || !digits(day) || day.size() > 2 || !digits(year) || year.size() != 4) return {};
    return year + (month < 9 ? "0" : "") + std::to_string(month + 1) + (day.size() == 1 ? "0" : "") + day;
}

// The size the Release lists for a file of the suite (such as
// "main/binary-amd64/Packages"), or -1 when it lists none.
long long ListedSize(const std::string& release, const std::string& relative) {
    size_t at = 0;
    while ((at = release.find(" " + relative, at)) != std::string::npos) {
        const size_t end = at + 1 + relative.size();
        at = end;
        if (end < release.size() && release[end] != '\n' && release[end] != '\r') continue;
        const size_t line = release.rfind('\n', end - relative.size() - 1);
        if (line == std::string::npos) continue;
        // " <hash> <size> <path>"
        const std::string text = release.substr(line + 1, end - relative.size() - 1 - line - 1);
        const size_t last_blank = text.find_last_not_of(' ');
        const size_t size_begin = text.rfind(' ', last_blank);
        if (last_blank == std::string::npos || size_begin == std::string::npos) continue;
        const std::string size = text.substr(size_begin + 1, last_blank - size_begin);
        if (size.empty() || size.find_first_not_of("0123456789") != std::string::npos) continue;
        return std::stoll(size);
    }
    return -1;
}

struct ReleaseBeside {
    std::string path;
    std::string text;
    std::string relative;  // the index's path in the suite, when its name tells it
    std::string prefix;    // apt's name of the suite's folder, when the name tells it
};

// apt names an index after its address: "<host>_<path>_dists_<suite>_" +
// "main_binary-amd64_Packages", the suite's Release "<...>_<suite>_InRelease".
ReleaseBeside FindRelease(const std::string& path) {
    const fs::path file(path);
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const std::string name = WithoutCompression(file.filename().string());
    std::vector<std::pair<std::string, std::string>> candidates;  // prefix, relative
    for (size_t cut = name.rfind('_'); cut != std::string::npos && cut > 0; cut = name.rfind('_', cut - 1)) {
        std::string relative = name.substr(cut + 1);
        for (char& c : relative)
            if (c == '_') c = '/';
        candidates.push_back({name.substr(0, cut + 1), relative});
    }
    candidates.push_back({"", ""});
    for (const auto& [prefix, relative] : candidates) {
        for (const char* release : {"InRelease", "Release"}) {
            const fs::path candidate = folder / (prefix + release);
            if (!fs::is_regular_file(candidate)) continue;
            ReleaseBeside found{candidate.string(), {}, relative, prefix};
            try {
                found.text = ReadWholeFile(found.path);
            } catch (const std::exception& error) {
                throw Error("the Release of " + path + " is unreadable: " + error.what());
            }
            return found;
        }
    }
    throw Error("no Release or InRelease beside " + path + ": nothing vouches for this index");
}

bool IsSigned(const ReleaseBeside& release) {
    if (fs::path(release.path).filename().string().ends_with("InRelease"))
        return release.text.starts_with("-----BEGIN PGP SIGNED MESSAGE-----") &&
               release.text.find("\n-----BEGIN PGP SIGNATURE-----") != std::string::npos &&
               release.text.find("\n-----END PGP SIGNATURE-----") != std::string::npos;
    const std::string signature = release.path + ".gpg";
    if (!fs::is_regular_file(signature)) return false;
    return ReadFileStart(signature, 4096).find("-----BEGIN PGP SIGNATURE-----") != std::string::npos;
}

// A Packages index begins with a stanza whose first field is "Package".
bool LooksLikeIndex(const std::string& text) {
    const size_t begin = text.find_first_not_of("\r\n");
    return begin != std::string::npos && text.compare(begin, 8, "Package:") == 0;
}

}  // namespace

std::string ReadDecompressed(const std::string& path) {
    std::unique_ptr<archive, int (*)(archive*)> reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_raw(reader.get());
    if (archive_read_open_filename(reader.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
        throw Error("cannot read " + path + ": " + archive_error_string(reader.get()));
    archive_entry* entry = nullptr;
    std::string text;
    if (archive_read_next_header(reader.get(), &entry) != ARCHIVE_OK) return text;
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
        text.reserve(static_cast<size_t>(archive_entry_size(entry)));
    char buffer[1 << 16];
    for (;;) {
        const la_ssize_t got = archive_read_data(reader.get(), buffer, sizeof buffer);
        if (got < 0) throw Error("cannot read " + path + ": " + archive_error_string(reader.get()));
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

ArchiveIndex ReadArchiveIndex(const std::string& path) {
    const ReleaseBeside release = FindRelease(path);
    if (!IsSigned(release))
        throw Error(release.path + " is not signed (an InRelease, or a Release with its Release.gpg): " + path +
                    " cannot be trusted");
    ArchiveIndex index;
    index.path = path;
    index.day = DayOfReleaseDate(ReleaseField(release.text, "Date"));
    if (index.day.empty()) throw Error(release.path + " has no readable Date");
    index.suite = ReleaseField(release.text, "Codename");
    if (index.suite.empty()) index.suite = ReleaseField(release.text, "Suite");
    if (index.suite.empty()) throw Error(release.path + " names no suite");
    index.release = index.suite.substr(0, index.suite.find('-'));
    index.security = index.suite.ends_with("-security") ||
                     ReleaseField(release.text, "Label").find("Security") != std::string::npos;

    const std::string name = WithoutCompression(fs::path(path).filename().string());
    index.key = release.prefix.empty() ? index.suite + "_" + name : name;
    const size_t dists = release.prefix.find("_dists_");
    if (dists != std::string::npos) {
        index.archive = "http://" + release.prefix.substr(0, dists);
        for (char& c : index.archive)
            if (c == '_') c = '/';
    } else {
        index.archive = index.security ? "http://deb.debian.org/debian-security" : "http://deb.debian.org/debian";
    }

    index.text = ReadDecompressed(path);
    if (!LooksLikeIndex(index.text)) throw Error(path + " is not a Packages index");
    if (!release.relative.empty()) {
        const long long listed = ListedSize(release.text, release.relative);
        if (listed >= 0 && static_cast<unsigned long long>(listed) != index.text.size())
            throw Error(path + " holds " + std::to_string(index.text.size()) + " bytes where " + release.path +
                        " lists " + std::to_string(listed) + ": a cut or mixed download");
    }
    return index;
}

}  // namespace veltod
