// The day publisher that follows an archive: versions compared as dpkg
// compares them, what counts as a change, the refusals that keep a mirror
// and its state untouched, and a run killed at every file step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <string>

#include "core/apply/list_expiry.h"
#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "server/archive_changes.h"
#include "server/day_publish.h"
#include "server/debian_catalogue.h"
#include "server/dpkg_version.h"
#include "server/mirror_publish.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;

// Pairs where a hand-written comparison usually goes wrong; dpkg itself
// judges each one.
TEST(DebianVersions, CompareAsDpkgDoes) {
    const std::pair<const char*, const char*> pairs[] = {
        {"1.0", "1.0"},        {"1.0~rc1", "1.0"},      {"1.0", "1.0-0"},          {"1:0.9", "2.0"},
        {"1.0a", "1.0"},       {"1.0+b1", "1.0"},       {"1.0-1", "1.0-1.1"},      {"2.30-1", "2.4-1"},
        {"1.2-3", "1.2-3~deb12u1"}, {"1.2-3+deb12u1", "1.2-3+deb12u2"}, {"0:1.0", "1.0"}, {"1.0~", "1.0~~"},
        {"3.0.11-1~deb12u2", "3.0.11-1~deb12u1"}, {"9.2p1-2+deb12u3", "9.2p1-2+deb12u7"}, {"a", "B"},
        {"1.0.0", "1.0"},      {"10", "9"},             {"1.0-a", "1.0-9"},        {"2:1", "1:9"},
    };
    for (const auto& [a, b] : pairs) {
        const auto dpkg = [&](const char* relation) {
            return std::system(("dpkg --compare-versions '" + std::string(a) + "' " + relation + " '" + b + "'").c_str()) == 0;
        };
        const int expected = dpkg("lt") ? -1 : dpkg("eq") ? 0 : 1;
        const int ours = CompareDebianVersions(a, b);
        EXPECT_EQ((ours > 0) - (ours < 0), expected) << a << " vs " << b;
    }
}

std::string Stanza(const std::string& name, const std::string& version, const std::string& tag = "") {
    return "Package: " + name + "\nVersion: " + version + "\nArchitecture: amd64\nSection: utils\nSize: 4096\n" +
           (tag.empty() ? "" : "Tag: " + tag + "\n") + "Filename: pool/main/" + name + "_" + version +
           ".deb\nDescription: the " + name + " tool\n\n";
}

TEST(ArchiveChanges, NewAndNewerOnlyAtTheHighestVersionOverAllIndices) {
    const std::string main = Stanza("kept", "1.0") + Stanza("bumped", "2.0") + Stanza("older", "3.0") +
                             Stanza("fixed", "1.0-1") + Stanza("added", "0.1");
    const std::string security = Stanza("fixed", "1.0-1+deb12u1") + Stanza("older", "2.9");
    const VersionSnapshot before = {{"bumped", "1:0.5"}, {"fixed", "1.0-1"}, {"gone", "1.0"}, {"kept", "1.0"},
                                    {"older", "3.1"}};
    std::vector<size_t> counts;
    const auto today = HighestVersions({main, security}, &counts);
    EXPECT_EQ(counts, (std::vector<size_t>{5, 2}));
    std::map<std::string, std::string> changed;
    for (const auto& change : ChangesSince(before, today))
        changed[std::string(change.now.name)] = change.before + " -> " + std::string(change.now.version);
    // The epoch makes 1:0.5 newer than 2.0; the package that went back and
    // the one removed are no news.
    EXPECT_EQ(changed, (std::map<std::string, std::string>{{"added", " -> 0.1"},
                                                           {"fixed", "1.0-1 -> 1.0-1+deb12u1"}}));
    const auto merged = MergeSnapshot(before, today);
    EXPECT_EQ(merged, (VersionSnapshot{{"added", "0.1"}, {"bumped", "1:0.5"}, {"fixed", "1.0-1+deb12u1"},
                                       {"gone", "1.0"}, {"kept", "1.0"}, {"older", "3.1"}}));
}

// The trees a user browses show words, one top category per idea and no
// "TODO".
TEST(ArchiveChanges, CategoryNamesReadAsWords) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"hardware::storage:cd", {"Hardware", "CD"}},       {"hardware::gps", {"Hardware", "GPS"}},
        {"game::fps", {"Games", "First-person shooters"}},   {"web::cgi", {"Web", "CGI"}},
        {"works-with::db", {"Works with", "Databases"}},     {"uitoolkit::sdl", {"Toolkits", "SDL"}},
        {"mail::smtp", {"Mail", "SMTP"}},                    {"protocol::irc", {"Protocols", "IRC"}},
        {"works-with-format::xml:rss", {"Works with", "RSS"}}, {"works-with-format::3dmodel", {"Works with", "3D models"}},
        {"iso15924::grek", {"Writing systems", "Greek"}},    {"iso15924::hebr", {"Writing systems", "Hebrew"}},
        {"game::TODO", {"Games"}},                           {"devel::lang:TODO", {"Development"}},
    };
    for (const auto& [tag, names] : cases) {
        const auto path = CategoryPathOf({{"Package", "p"}, {"Tag", tag}});
        std::vector<std::string> shown;
        for (size_t level = 0; level < path.size(); ++level) shown.push_back(CategoryNameOf(path, level));
        EXPECT_EQ(shown, names) << tag;
    }
    // Both facets of working with things make one top category.
    CategoryCodes codes;
    codes.CodeOf(CategoryPathOf({{"Package", "a"}, {"Tag", "works-with::image"}}));
    codes.CodeOf(CategoryPathOf({{"Package", "b"}, {"Tag", "works-with-format::png"}}));
    size_t tops = 0;
    for (const auto& category : codes.Categories()) tops += category.level == 0;
    EXPECT_EQ(tops, 1u);
}

// A lists folder as apt keeps it: a suite's index and its InRelease.
class ListsFolder {
public:
    explicit ListsFolder(const fs::path& folder) : folder_(folder) { fs::create_directories(folder); }
    // Writes the suite's index and a signed InRelease dated day that lists
    // the index's size; returns the index's path.
    std::string Suite(const std::string& suite, const std::string& index, const std::string& day,
                      const std::string& label = "Debian") const {
        const std::string prefix = "deb.example_debian_dists_" + suite + "_";
        const std::string path = (folder_ / (prefix + "main_binary-amd64_Packages")).string();
        Write(path, index);
        const std::string date = "Mon, " + day.substr(6, 2) + " Dec " + day.substr(0, 4) + " 02:13:01 UTC";
        Write((folder_ / (prefix + "InRelease")).string(),
              "-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\nOrigin: Debian\nLabel: " + label + "\nCodename: " +
                  suite + "\nDate: " + date + "\nSHA256:\n 0123abcd " + std::to_string(index.size()) +
                  " main/binary-amd64/Packages\n-----BEGIN PGP SIGNATURE-----\n\nxyz\n-----END PGP SIGNATURE-----\n");
        return path;
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    fs::path Path(const std::string& name) const { return folder_ / name; }

private:
    fs::path folder_;
};

// Every file below a folder with its size and a digest of its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = ReadWholeFile(entry.path().string());
        files[fs::relative(entry.path(), folder).string()] =
            std::to_string(bytes.size()) + " bytes, digest " + std::to_string(std::hash<std::string>{}(bytes));
    }
    return files;
}

std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadWholeFile(entry.path().string());
    return files;
}

class DayPublisher : public ::testing::Test {
protected:
    void SetUp() override {
        MakeKeyPair(public_key, secret_key);
        lists = std::make_unique<ListsFolder>(scratch.Root() / "lists");
        options.state_folder = (scratch.Root() / "state").string();
        options.mirror_folder = (scratch.Root() / "mirror").string();
        options.secret_key = secret_key;
        options.mirrors = {"http://mirror.example/"};
    }
    ChangesReport Run(const std::vector<std::string>& indices) {
        options.indices = indices;
        return PublishChanges(options);
    }
    // The listing's days, checked against its signature; each listed package
    // opens with the public key.
    std::vector<std::string> ListedDays() const {
        const std::string body = ReadWholeFile(options.mirror_folder + "/listado.txt");
        const std::string content = UnwrapMarkers(body);
        const size_t line = body.find(std::string("\n") + kSignatureLine);
        EXPECT_NE(line, std::string::npos);
        const size_t signature = line + 1 + std::string(kSignatureLine).size();
        EXPECT_TRUE(TextSignatureVerifies(content, body.substr(signature, body.find('\r', signature) - signature), public_key));
        RecordTable table;
        ParseRecordBytes(content, table);
        std::vector<std::string> days;
        for (size_t row = table.RowCount(); row-- > 0;) {
            days.push_back(table.FieldString(row, 0));
            OpenPackage(ReadWholeFile(options.mirror_folder + "/dos/" + table.FieldString(row, 1) + ".gif"), public_key);
        }
        return days;
    }
    // The day a list of the mirror is signed good through; empty when its
    // expiry line is missing or does not verify.
    std::string ExpiryOf(const std::string& list) const {
        const std::string body = ReadWholeFile(options.mirror_folder + "/" + list);
        const size_t line = body.find(std::string("\n") + kExpiryLine);
        if (line == std::string::npos) return "";
        const size_t rest = line + 1 + std::string(kExpiryLine).size();
        std::string problem;
        return ExpiryDayOf(std::string_view(body).substr(rest, body.find('\r', rest) - rest), UnwrapMarkers(body),
                           public_key, problem);
    }
    // The entries of a published day, all kinds, by name: TitleSuffix and
    // HoverNote.
    std::map<std::string, std::vector<std::string>> Entries(const std::string& day) const {
        std::map<std::string, std::vector<std::string>> entries;
        for (const auto& file : OpenPackage(ReadWholeFile(options.mirror_folder + "/dos/" + day + ".gif"), public_key)) {
            if (!file.name.ends_with("cat")) continue;
            RecordTable table;
            ParseRecordBytes(file.bytes, table);
            for (size_t row = 0; row < table.RowCount(); ++row) entries[table.FieldString(row, 0)] = table.Row(row);
        }
        return entries;
    }

    test::ScratchInstallation scratch;
    std::unique_ptr<ListsFolder> lists;
    std::string public_key, secret_key;
    ChangesOptions options;
};

TEST_F(DayPublisher, FirstRunRecordsThenEachDayHoldsExactlyWhatChanged) {
    const std::string main = Stanza("alpha", "1.0", "game::TODO") + Stanza("beta", "2.0") + Stanza("gamma", "1.0-1");
    const auto first = Run({lists->Suite("test", main, "20261206")});
    EXPECT_TRUE(first.first_run);
    EXPECT_TRUE(ListedDays().empty());

    const std::string today = main + Stanza("delta", "0.1");
    const std::string security = Stanza("gamma", "1.0-1+deb12u1");
    const auto report = Run({lists->Suite("test", today, "20261206"),
                             lists->Suite("test-security", security, "20261207", "Debian-Security")});
    EXPECT_EQ(report.day, "20261207");  // the newest Release
    EXPECT_EQ(ListedDays(), std::vector<std::string>{"20261207"});
    const auto entries = Entries("20261207");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("delta")[2], "new 0.1");
    EXPECT_EQ(entries.at("gamma")[2], "1.0-1 -> 1.0-1+deb12u1 security update");
    EXPECT_EQ(entries.at("gamma")[13], "1.0-1 -> 1.0-1+deb12u1 security update: the gamma tool");
    EXPECT_EQ(entries.at("gamma")[1], "http://deb.example/debian/pool/main/gamma_1.0-1+deb12u1.deb");
    EXPECT_EQ(entries.at("gamma")[11], "https://packages.debian.org/test/gamma");

    // The same indices again, and a package removed: nothing new.
    const auto again = Run({lists->Suite("test", Stanza("alpha", "1.0") + Stanza("beta", "2.0"), "20261208")});
    EXPECT_TRUE(again.day.empty());
    EXPECT_EQ(ListedDays(), std::vector<std::string>{"20261207"});
    // A run with nothing new still signs both lists good for a week more.
    for (const char* list : {"listado.txt", "espejos.txt"}) EXPECT_EQ(ExpiryOf(list), "20261215") << list;
    options.valid_until = "20261220";
    Run({lists->Suite("test", Stanza("alpha", "1.0") + Stanza("beta", "2.0"), "20261208")});
    EXPECT_EQ(ExpiryOf("espejos.txt"), "20261220");
    options.valid_until.clear();

    // Days older than kept leave the listing and the mirror together.
    options.keep_days = 2;
    Run({lists->Suite("test", Stanza("beta", "2.1"), "20261209")});
    EXPECT_EQ(ListedDays(), std::vector<std::string>{"20261209"});
    EXPECT_FALSE(fs::exists(options.mirror_folder + "/dos/20261207.gif"));
}

TEST_F(DayPublisher, RefusesBadInputsAndChangesNothing) {
    const std::string main = Stanza("alpha", "1.0") + Stanza("beta", "2.0") + Stanza("gamma", "3.0") + Stanza("delta", "4");
    Run({lists->Suite("test", main, "20261206")});
    Run({lists->Suite("test", main + Stanza("new", "1"), "20261207")});
    const auto before_mirror = Snapshot(options.mirror_folder);
    const auto before_state = Snapshot(options.state_folder);

    const std::string good = main + Stanza("later", "1");
    const auto suite = [&](const std::string& index) { return lists->Suite("test", index, "20261208"); };
    const std::pair<const char*, std::function<std::string()>> cases[] = {
        {"not an index", [&] { return suite("<html>Not found</html>\n"); }},
        {"unsigned Release", [&] {
             const std::string path = suite(good);
             const std::string release = lists->Path("deb.example_debian_dists_test_InRelease").string();
             std::string text = ReadWholeFile(release);
             ListsFolder::Write(release, text.substr(text.find("Origin:"), text.find("-----BEGIN PGP SIGNATURE") - text.find("Origin:")));
             return path;
         }},
        {"no Release", [&] {
             const std::string path = suite(good);
             fs::remove(lists->Path("deb.example_debian_dists_test_InRelease"));
             return path;
         }},
        {"cut download", [&] {
             const std::string path = suite(good);
             ListsFolder::Write(path, good.substr(0, good.size() / 2));
             return path;
         }},
        {"far smaller than before", [&] { return suite(Stanza("alpha", "1.1")); }},
        {"the day already published", [&] { return lists->Suite("test", good, "20261207"); }},
        {"lists expiring before the day", [&] {
             options.valid_until = "20261207";
             return suite(good);
         }},
    };
    for (const auto& [what, make] : cases) {
        EXPECT_THROW(Run({make()}), Error) << what;
        EXPECT_EQ(Snapshot(options.mirror_folder), before_mirror) << what;
        EXPECT_EQ(Snapshot(options.state_folder), before_state) << what;
    }
}

int kill_at_step = 0;
struct Killed {};
void CountDown() {
    if (kill_at_step > 0 && --kill_at_step == 0) throw Killed{};
}

// A run killed before any of its file steps leaves a mirror whose listing is
// signed and names only packages that are there; the run after it publishes
// the same day as an uninterrupted run.
TEST_F(DayPublisher, AKillAtAnyStepLeavesAReadableMirrorAndARerunFinishes) {
    const std::string yesterday = Stanza("alpha", "1.0") + Stanza("beta", "2.0");
    const std::string today = Stanza("alpha", "1.1") + Stanza("beta", "2.0") + Stanza("gamma", "1");
    options.keep_days = 1;
    Run({lists->Suite("test", yesterday, "20261206")});
    Run({lists->Suite("test", yesterday + Stanza("epsilon", "1"), "20261207")});
    const auto start_mirror = Files(options.mirror_folder);
    const auto start_state = Files(options.state_folder);
    const std::string index = lists->Suite("test", today, "20261208");

    Run({index});
    const auto finished = Snapshot(options.mirror_folder);
    const auto finished_state = Snapshot(options.state_folder);
    SetFileStepHook(CountDown);
    for (int step = 1;; ++step) {
        fs::remove_all(options.mirror_folder);
        fs::remove_all(options.state_folder);
        for (const auto& [folder, files] : {std::pair{options.mirror_folder, start_mirror}, {options.state_folder, start_state}})
            for (const auto& [name, bytes] : files) {
                fs::create_directories((fs::path(folder) / name).parent_path());
                ListsFolder::Write(folder + "/" + name, bytes);
            }
        kill_at_step = step;
        bool killed = false;
        try {
            Run({index});
        } catch (const Killed&) {
            killed = true;
        }
        kill_at_step = 0;
        if (!killed) break;
        ListedDays();
        for (const auto& day : ListedDays()) EXPECT_NO_THROW(Entries(day)) << "step " << step;
        Run({index});
        EXPECT_EQ(Snapshot(options.mirror_folder), finished) << "step " << step;
        EXPECT_EQ(Snapshot(options.state_folder), finished_state) << "step " << step;
        ASSERT_LT(step, 100);
    }
    SetFileStepHook(nullptr);
}

}  // namespace
}  // namespace veltod
