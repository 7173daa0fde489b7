// Writes the fuzz targets' seed inputs (tests/fuzz/seeds/<target>/) from what
// the publisher really produces: a small catalogue published from a Debian
// Packages index, a day package of ready files, the mirror tree both make,
// the category list the busy day's update script writes when it runs, and
// nginx-shaped answers carrying those files, plus the broken shapes a hostile
// server sends. The signing key comes from a fixed seed and package members
// carry no times, so running it again gives the same bytes but for the
// packages' compression time stamp and hence their signature.
//
//   make_fuzz_seeds PACKAGES_INDEX SEEDS_FOLDER
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "core/apply/update_script.h"
#include "core/catalogue/catalogue_entry.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod;
using Records = std::vector<std::vector<std::string>>;

std::string RecordsBytes(int fields, const Records& records) {
    std::string bytes = std::to_string(fields) + "\r\n";
    for (const auto& record : records) bytes += EncodeRecord(record);
    return bytes;
}

std::string SecretKey() {
    unsigned char seed[crypto_sign_SEEDBYTES];
    for (size_t i = 0; i < sizeof seed; ++i) seed[i] = static_cast<unsigned char>(i * 7 + 1);
    unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
    unsigned char secret_key[crypto_sign_SECRETKEYBYTES];
    if (sodium_init() < 0 || crypto_sign_seed_keypair(public_key, secret_key, seed) != 0) throw Error("no signing key");
    return std::string(reinterpret_cast<char*>(secret_key), sizeof secret_key);
}

// The content lines of a body the mirror serves (between the marker lines).
std::string Unwrap(const std::string& body) {
    const size_t first = body.find("comensando\r\n");
    const size_t end = body.find("terminando\r\n");
    if (first == std::string::npos || end == std::string::npos) throw Error("no marker lines");
    return body.substr(first + 12, end - first - 12);
}

std::string Byte(int value) { return std::string(1, static_cast<char>(value)); }

// Seeds of the split-input targets must not carry "|" before their last part.
std::string Joined(const std::vector<std::string>& parts) {
    std::string bytes;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i + 1 < parts.size() && parts[i].find('|') != std::string::npos)
            throw Error("a seed part holds '|': " + parts[i].substr(0, 40));
        bytes += (i ? "|" : "") + parts[i];
    }
    return bytes;
}

// An answer as nginx gives it for a static file.
std::string Nginx(const std::string& status, const std::string& type, const std::string& body,
                  const std::string& extra = "") {
    return "HTTP/1.1 " + status +
           "\r\nServer: nginx/1.22.1\r\nDate: Tue, 08 Dec 2026 07:30:12 GMT\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nLast-Modified: Mon, 07 Dec 2026 23:59:58 GMT\r\nConnection: keep-alive\r\nETag: \"6754e1ae-" +
           std::to_string(body.size()) + "\"\r\n" + extra + "Accept-Ranges: bytes\r\n\r\n" + body;
}

std::string Hex(size_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%zx", value);
    return text;
}

std::string Chunked(const std::string& head, const std::string& body, size_t piece) {
    std::string bytes = head + "Transfer-Encoding: chunked\r\n\r\n";
    for (size_t at = 0; at < body.size(); at += piece) {
        const std::string part = body.substr(at, piece);
        bytes += Hex(part.size()) + (at == 0 ? ";name=first" : "") + "\r\n" + part + "\r\n";
    }
    return bytes + "0\r\nX-Trailer: end\r\n\r\n";
}

class SeedWriter {
public:
    explicit SeedWriter(fs::path root) : root_(std::move(root)) {}
    void Put(const std::string& target, const std::string& name, const std::string& bytes) {
        const fs::path folder = root_ / target;
        if (cleared_.emplace(target, true).second) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        ReplaceFileAtomically((folder / name).string(), bytes);
        total_ += bytes.size();
        ++count_;
    }
    void Report() const { std::printf("%zu seeds, %zu bytes\n", count_, total_); }

private:
    fs::path root_;
    std::map<std::string, bool> cleared_;
    size_t total_ = 0;
    size_t count_ = 0;
};

// Runs the update script in a scratch installation holding the starting
// category files, as a day is applied, and returns the files it leaves.
std::map<std::string, std::string> AfterScript(const std::string& day, const std::string& script) {
    char pattern[] = "/tmp/veltod-seeds-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw Error("no scratch folder");
    const fs::path root = pattern;
    const fs::path before = fs::current_path();
    for (const char* folder : {"bin", "Resources", "Recibi", "Def"}) fs::create_directories(root / folder);
    std::map<std::string, std::string> files;
    try {
        fs::current_path(root / "bin");
        WriteRecordFile(kCategoryListFile, 4, {});
        WriteRecordFile(kCategoryHeaderFile, 14, {});
        ReplaceFileAtomically(kBinFolder + DayScriptName(day), script);
        RunUpdateScript(DayScriptName(day));
        for (const auto& entry : fs::directory_iterator(root / "Resources"))
            files[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
    } catch (...) {
        fs::current_path(before);
        fs::remove_all(root);
        throw;
    }
    fs::current_path(before);
    fs::remove_all(root);
    return files;
}

void Run(const std::string& index, const fs::path& out) {
    const std::string key = SecretKey();
    const std::vector<DebianStanza> stanzas = ParsePackagesIndex(ReadWholeFile(index));
    // The mirror: three weeks ending on the demo's last day, as the demo
    // publishes them, with a few entries a day.
    DebianOptions options;
    options.last_day = "20261207";
    options.days = 21;
    options.limit = 42;
    std::vector<DayPackage> days = PackagesOf(BuildDebianCatalogue(stanzas, options));
    if (days.size() < 3) throw Error("the index gives fewer than three days");
    // One busy day: its script adds the categories of all its entries, and
    // its lists are long enough to page.
    DebianOptions busy_options = options;
    busy_options.days = 1;
    busy_options.limit = 80;
    const DayPackage busy = PackagesOf(BuildDebianCatalogue(stanzas, busy_options)).front();
    std::string first_script;
    std::vector<std::string> lists;
    for (const auto& file : busy.files) {
        if (file.name == DayScriptName(busy.day)) first_script = file.bytes;
        else lists.push_back(file.bytes);
    }
    std::sort(lists.begin(), lists.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    if (first_script.empty() || lists.size() < 2) throw Error("the busy day carries no update script or too few lists");
    const std::string& day_list = lists[0];
    const std::string& week_list = lists[1];
    const size_t newest = days.size() - 1;

    // A day of ready files as the folder source gives them: a day index over
    // two earlier days' lists, a text bundle and a script of the other commands.
    const std::string day_index = "1\r\n" + days[newest - 1].day + "\r\n" + days[newest].day + "\r\n";
    const std::string bundle =
        "%nom%:Ban1.ban\r\nPREFIX..\\Def\\\r\n5\r\nban1a.gif\r\nhttps://www.debian.org/\r\nDebian\r\n\r\n1\r\n"
        "%nom%:leeme.txt\r\nPREFIX../Resources/\r\nVeltoD demo catalogue\r\nsecond line\r\n"
        "%nom%:vacio.txt\r\nPREFIX../Recibi/\r\n";
    const std::string other_script = RecordsBytes(
        5, {{"&CONTAD&", "http://127.0.0.1:8478/", "", "", ""},
            {"&CAMPAD&", "8", "7", "2", ""},
            {"&RENCAT&", "7", "Web browsers", "", ""},
            {"&MOVFIL&", "7", "100", "8", ""},
            {"&QUIFIL&", "7", "100", "1", ""},
            {"&MOVCAT&", "7", "8", "", ""},
            {"&NUECAT&", "9", "1", "1", "Games"},
            {"&QUICAT&", "8", "", "", ""}});
    DayPackage ready{"20261208",
                     {{"dias.lst", day_index},
                      {"nuevo.lst", bundle},
                      {"20261208.cam", other_script},
                      {"mover.new", "1\r\nResources/leeme.txt\r\n"},
                      {"Resources/leeme.txt", "VeltoD demo catalogue\r\n"}}};
    days.push_back(ready);

    char pattern[] = "/tmp/veltod-seeds-mirror-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw Error("no scratch folder");
    const fs::path mirror = pattern;
    WriteMirror(mirror.string(), days, {"http://127.0.0.1:8478/", "http://mirror.example.org/veltod/"}, key);
    const std::string listing = ReadWholeFile((mirror / "listado.txt").string());
    const std::string mirrors = ReadWholeFile((mirror / "espejos.txt").string());
    const std::string package = ReadWholeFile((mirror / "dos" / (days.front().day + ".gif")).string());
    const std::string ready_package = ReadWholeFile((mirror / "dos/20261208.gif").string());
    fs::remove_all(mirror);

    const std::string categories = AfterScript(busy.day, first_script).at("Categ.txt");
    RecordTable entries;
    ParseRecordBytes(day_list, entries);
    const std::string description(EntryValue(entries, 0, EntryField::Description));

    SeedWriter seeds(out);
    const std::string last_applied = "1\r\n" + days[newest - 2].day + "\r\n";
    const std::string proxy = "127.0.0.1\r\n8478\r\n\r\ncbChecked\r\nhttp://127.0.0.1:8478/\r\n";

    seeds.Put("fuzz_record_file", "listing", Unwrap(listing));
    seeds.Put("fuzz_record_file", "mirrors", Unwrap(mirrors));
    seeds.Put("fuzz_record_file", "categories", categories);
    seeds.Put("fuzz_record_file", "day_list", day_list);
    seeds.Put("fuzz_record_file", "update_script", first_script);
    seeds.Put("fuzz_record_file", "day_index", day_index);
    seeds.Put("fuzz_record_file", "served_listing", listing);

    seeds.Put("fuzz_category_list", "categories_week", Joined({categories, week_list}));
    seeds.Put("fuzz_category_list", "categories_day", Joined({categories, day_list}));
    seeds.Put("fuzz_category_list", "categories_only", categories);
    // A list edited by hand: a level-1 code added again under another parent.
    seeds.Put("fuzz_category_list", "code_twice",
              Joined({categories + EncodeRecord({"900", "1", "1", "First"}) + EncodeRecord({"900", "2", "1", "Again"}),
                      week_list}));

    // Row height, screen (odd: 640x480), action count; then the actions.
    seeds.Put("fuzz_day_news", "plain", Byte(17) + Byte(0) + Byte(0) + day_list);
    seeds.Put("fuzz_day_news", "paging",
              Byte(40) + Byte(1) + Byte(6) + "\x01\x0b\x02\x0b\x01\x01\x00\x05\x03\x00\x01\x0a" + day_list);
    seeds.Put("fuzz_day_news", "tall_rows", Byte(120) + Byte(0) + Byte(2) + "\x01\x29\x00\x02" + week_list);

    seeds.Put("fuzz_day_walk", "two_days", Joined({"20261208", days[newest - 2].day, last_applied, day_index}));
    seeds.Put("fuzz_day_walk", "one_left", Joined({"20261208", days[newest - 1].day, "1\r\n" + days[newest - 1].day + "\r\n", day_index}));
    seeds.Put("fuzz_day_walk", "blank_count", Joined({"20261208", days[newest - 2].day, last_applied, "\r\n" + day_index.substr(3)}));
    seeds.Put("fuzz_day_walk", "no_index", Joined({"20261208", days[newest - 2].day, last_applied}));

    // First byte: its low bit says an older target exists.
    seeds.Put("fuzz_fetched_copy", "listing", Byte(1) + listing);
    seeds.Put("fuzz_fetched_copy", "mirrors", Byte(0) + mirrors);
    seeds.Put("fuzz_fetched_copy", "package", Byte(1) + package + "\r\n");
    seeds.Put("fuzz_fetched_copy", "ready_package", Byte(0) + ready_package);
    seeds.Put("fuzz_fetched_copy", "cut_listing", Byte(0) + listing.substr(0, listing.size() / 2));

    const std::string listing_content = Unwrap(listing);
    const std::string listing_part = listing_content.substr(0, listing_content.size() - 2);
    seeds.Put("fuzz_package_walk", "two_behind", Joined({"20261208", "1\r\n" + days[newest - 1].day + "\r\n", listing_part}));
    seeds.Put("fuzz_package_walk", "all_new", Joined({"20261208", "1\r\n20261116\r\n", listing_part}));
    seeds.Put("fuzz_package_walk", "up_to_date", Joined({days[newest].day, "1\r\n20261208\r\n", listing_part}));

    seeds.Put("fuzz_update_script", "add_categories", first_script);
    seeds.Put("fuzz_update_script", "other_commands", other_script);

    seeds.Put("fuzz_text_bundle", "bundle", bundle);
    seeds.Put("fuzz_text_bundle", "escape",
              "%nom%:a.txt\r\nPREFIX../../\r\nx\r\n%nom%:../../b.txt\r\nPREFIX../Def/\r\ny\r\n%nom%:/tmp/c\r\nPREFIX\r\n");

    seeds.Put("fuzz_connection_settings", "demo", proxy);
    seeds.Put("fuzz_connection_settings", "unticked", "proxy.example.org\r\n3128\r\nuser\r\ncbUnchecked\r\n\r\n");
    seeds.Put("fuzz_connection_settings", "short_lf", "proxy\n8080\n");

    // First byte: the local offset in quarter hours from -128.
    seeds.Put("fuzz_http_date", "rfc1123", Byte(128) + "Tue, 08 Dec 2026 07:30:12 GMT");
    seeds.Put("fuzz_http_date", "rfc850", Byte(132) + "Tuesday, 08-Dec-26 07:30:12 GMT");
    seeds.Put("fuzz_http_date", "asctime", Byte(124) + "Tue Dec  8 07:30:12 2026");
    seeds.Put("fuzz_http_date", "leap_end", Byte(255) + "Fri, 31 Dec 9999 23:59:60 GMT");

    // First byte: piece size 1 + (byte % 64), and a HEAD request when 0x80 is set.
    const std::string text_type = "text/plain";
    seeds.Put("fuzz_http_response", "listing_then_mirrors",
              Byte(63) + Nginx("200 OK", text_type, listing) + Nginx("200 OK", text_type, mirrors));
    seeds.Put("fuzz_http_response", "package", Byte(31) + Nginx("200 OK", "image/gif", package));
    const std::string listing_answer = Nginx("200 OK", text_type, listing);
    seeds.Put("fuzz_http_response", "head",
              Byte(0x80 | 7) + listing_answer.substr(0, listing_answer.find("\r\n\r\n") + 4) +
                  Nginx("304 Not Modified", text_type, ""));
    const std::string chunk_head = "HTTP/1.1 200 OK\r\nServer: nginx/1.22.1\r\nContent-Type: text/plain\r\n";
    seeds.Put("fuzz_http_response", "chunked", Byte(9) + Chunked(chunk_head, mirrors, 100) + Chunked(chunk_head, "", 1));
    seeds.Put("fuzz_http_response", "interim_then_not_found",
              Byte(20) + "HTTP/1.1 100 Continue\r\n\r\n" +
                  Nginx("404 Not Found", "text/html",
                        "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n<center><h1>404 Not "
                        "Found</h1></center>\r\n<hr><center>nginx/1.22.1</center>\r\n</body>\r\n</html>\r\n"));
    seeds.Put("fuzz_http_response", "redirect",
              Byte(12) +
                  Nginx("301 Moved Permanently", "text/html",
                        "<html>\r\n<head><title>301 Moved Permanently</title></head>\r\n</html>\r\n",
                        "Location: http://127.0.0.1:8478/dos/\r\n") +
                  Nginx("200 OK", text_type, Unwrap(mirrors)));
    seeds.Put("fuzz_http_response", "close_delimited",
              Byte(5) + "HTTP/1.0 200 OK\r\nServer: nginx/1.22.1\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n" +
                  listing);
    seeds.Put("fuzz_http_response", "hex40_chunk",
              Byte(2) + chunk_head + "Transfer-Encoding: chunked\r\n\r\n" + std::string(39, '0') + "1\r\nx\r\n0\r\n\r\n");
    seeds.Put("fuzz_http_response", "huge_chunk",
              Byte(2) + chunk_head + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffff\r\nxyz");
    seeds.Put("fuzz_http_response", "huge_header",
              Byte(63) + "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(5000, 'a') + "\r\nContent-Length: 1\r\n\r\nx");
    std::string many_headers = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 45; ++i) many_headers += "X-Header-" + std::to_string(i) + ": v\r\n";
    seeds.Put("fuzz_http_response", "many_headers", Byte(40) + many_headers + "Content-Length: 0\r\n\r\n");
    seeds.Put("fuzz_http_response", "length_disagrees",
              Byte(10) + "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello!");
    seeds.Put("fuzz_http_response", "bare_lf",
              Byte(1) + "HTTP/1.1 200 OK\nContent-Length: 3\n\nabcHTTP/1.1 204 No Content\n\n");

    // Width, style, pointer x and y, where the text splits in two, which item goes.
    seeds.Put("fuzz_hypertext", "details", std::string("\xc8\x00\x40\x10\x30\x01", 6) + description);
    seeds.Put("fuzz_hypertext", "narrow", std::string("\x0c\x01\xff\xff\x00\x00", 6) + description);
    seeds.Put("fuzz_hypertext", "lines", std::string("\x80\x02\x20\x30\xff\x03", 6) + day_list.substr(0, 600));
    seeds.Report();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds PACKAGES_INDEX SEEDS_FOLDER\n");
        return 2;
    }
    try {
        Run(argv[1], fs::absolute(argv[2]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
