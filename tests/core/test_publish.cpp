#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>


#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/list_expiry.h"
#include "core/apply/package_format.h"
#include "core/apply/received_files.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

const char* kIndex =
    "Package: chess-thing\r\nVersion: 1.0-2\r\nArchitecture: amd64\r\nSize: 2049\r\n"
    "Description: Play chess\r\nTag: interface::x11, role::program,\r\n game::board, devel::{lang:c,library}\r\n"
    "Section: games\r\nFilename: pool/main/c/chess-thing_1.0-2_amd64.deb\r\nPriority: optional\r\n\r\n"
    "Package: plain\nVersion: 3\nArchitecture: all\nSection: contrib/utils\nDescription: Plain tool\n"
    " long text\n .\n more\n\n"
    "Version: 9\nDescription: a stanza without a name is left out\n\n"
    "Package: toolkit-only\nTag: role::program, implemented-in::c\nSection: libs\n";

TEST(DebianIndex, StanzasFieldsAndContinuationLines) {
    const auto stanzas = ParsePackagesIndex(kIndex);
    ASSERT_EQ(stanzas.size(), 3u);
    EXPECT_EQ(stanzas[0].at("Tag"), "interface::x11, role::program, game::board, devel::{lang:c,library}");
    EXPECT_EQ(stanzas[1].at("Description"), "Plain tool long text more");
    EXPECT_EQ(stanzas[2].at("Package"), "toolkit-only");
}

TEST(DebianIndex, CategoriesComeFromTheMostTellingTagOrTheSection) {
    const auto stanzas = ParsePackagesIndex(kIndex);
    EXPECT_EQ(CategoryPathOf(stanzas[0]), (std::vector<std::string>{"game", "board"}));
    EXPECT_EQ(CategoryPathOf(stanzas[1]), std::vector<std::string>{"section:utils"});
    EXPECT_EQ(CategoryPathOf(stanzas[2]), (std::vector<std::string>{"role", "program"}));
    EXPECT_EQ(CategoryPathOf(DebianStanza{{"Package", "x"}, {"Tag", "devel::{lang:c,library}"}}),
              (std::vector<std::string>{"devel", "lang:c"}));
}

// The demo trees showed two top-level "Games" (a section and a tag facet)
// and raw section names: each top category now has one readable name.
TEST(DebianIndex, TopCategoriesHaveOneReadableNameEach) {
    std::vector<DebianStanza> stanzas;
    const std::pair<const char*, const char*> packages[] = {
        {"games", ""}, {"games", "game::arcade"}, {"gnu-r", ""}, {"cli-mono", ""},
        {"misc", "iso15924::latn"}, {"non-free/games", ""}, {"weird-new-section", ""},
    };
    for (const auto& [section, tag] : packages) {
        DebianStanza stanza{{"Package", "p" + std::to_string(stanzas.size())}, {"Section", section}, {"Version", "1"}};
        if (*tag) stanza["Tag"] = tag;
        stanzas.push_back(stanza);
    }
    DebianOptions options;
    options.days = 1;
    options.last_day = "20261202";
    std::vector<std::string> tops;
    for (const auto& category : BuildDebianCatalogue(stanzas, options).categories)
        if (category.level == 0) tops.push_back(category.name);
    std::sort(tops.begin(), tops.end());
    EXPECT_EQ(tops, (std::vector<std::string>{"GNU R", "Games", "Mono and .NET", "Weird new section", "Writing systems"}));

    // Below them, tag values read as names too.
    stanzas.clear();
    for (const char* tag : {"devel::lang:c++", "devel::i18n", "devel::ecma-cli", "devel::testing-qa", "devel::lang:perl"})
        stanzas.push_back({{"Package", tag}, {"Section", "devel"}, {"Version", "1"}, {"Tag", tag}});
    std::vector<std::string> subs;
    for (const auto& category : BuildDebianCatalogue(stanzas, options).categories)
        if (category.level == 1) subs.push_back(category.name);
    std::sort(subs.begin(), subs.end());
    EXPECT_EQ(subs, (std::vector<std::string>{"C++", "ECMA CLI", "Internationalisation", "Perl", "Testing and QA"}));
}

TEST(DebianIndex, EntriesFieldsAndTextInTheProgramsCodePage) {
    DebianOptions options;
    options.days = 1;
    options.last_day = "20261207";
    options.archive = "http://archive.example";
    const auto catalogue = BuildDebianCatalogue(ParsePackagesIndex(kIndex), options);
    std::map<std::string, std::vector<std::string>> by_name;
    for (const auto& list : catalogue.lists[0])
        for (const auto& entry : list) by_name[entry[0]] = entry;
    const auto& chess = by_name.at("chess-thing");
    ASSERT_EQ(chess.size(), 14u);
    EXPECT_EQ(chess[1], "http://archive.example/pool/main/c/chess-thing_1.0-2_amd64.deb");
    EXPECT_EQ(chess[2], "1.0-2");
    EXPECT_EQ(chess[3], "3");
    EXPECT_EQ(chess[5], "https://packages.debian.org/bookworm/chess-thing");
    EXPECT_EQ(chess[12], "-------x");
    EXPECT_EQ(chess[13], "Play chess");
    EXPECT_NE(chess[7].find("Play chess."), std::string::npos);
    for (const auto& [name, entry] : by_name)
        for (const auto& field : entry) EXPECT_EQ(field.find_first_of("\r\n"), std::string::npos) << name;

    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC \xE2\x98\x83 \xC3"), "caf\xE9 \x80 ? ?");
    EXPECT_EQ(Utf8ToAnsi("a\tb"), "a b");
}

TEST(DebianIndex, DaysIdsAndCategoriesFitTheWayDaysAreInstalled) {
    const char* source = std::getenv("VELTOD_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const auto stanzas = ParsePackagesIndex(ReadWholeFile(std::string(source) + "/tests/data/Packages.sample"));
    ASSERT_EQ(stanzas.size(), 80u);
    DebianOptions options;
    options.days = 5;
    options.last_day = "20261202";
    options.limit = 60;
    const auto catalogue = BuildDebianCatalogue(stanzas, options);
    EXPECT_EQ(catalogue.days, (std::vector<std::string>{"20261128", "20261129", "20261130", "20261201", "20261202"}));

    std::set<int> known;
    for (const auto& category : catalogue.categories) {
        EXPECT_TRUE(category.parent == 0 || known.count(category.parent)) << category.name;
        EXPECT_EQ(category.level, category.parent == 0 ? 0 : 1);
        known.insert(category.code);
    }
    long previous_day_max = 0;
    size_t entries = 0;
    int kinds[3] = {};
    for (size_t d = 0; d < catalogue.lists.size(); ++d) {
        long day_max = 0;
        for (size_t k = 0; k < 3; ++k) {
            const auto& list = catalogue.lists[d][k];
            kinds[k] += static_cast<int>(list.size());
            for (size_t i = 0; i < list.size(); ++i) {
                const long id = std::stol(list[i][10]);
                EXPECT_GT(id, previous_day_max);
                if (i > 0) {
                    EXPECT_LT(id, std::stol(list[i - 1][10])) << "ids fall through a day list";
                }
                EXPECT_TRUE(known.count(std::stoi(list[i][9])));
                EXPECT_EQ(LicenceKindOf(list[i][0]), std::to_string(k + 1));
                day_max = std::max(day_max, id);
                ++entries;
            }
        }
        previous_day_max = day_max;
    }
    EXPECT_EQ(entries, 60u);
    for (int count : kinds) EXPECT_GE(count, 12) << "each kind gets a fair share";
    EXPECT_EQ(AddDays("20240228", 2), "20240301");
    EXPECT_THROW(AddDays("20261332", 1), ConvertError);
}

TEST(Mirror, TreeListsWrappedInMarkersAndFolderSources) {
    test::ScratchInstallation installation;
    std::string public_key, secret_key;
    MakeKeyPair(public_key, secret_key);
    WriteMirror("../mirror", {{"20261201", {{"20261201.1cat", "14\r\n"}}}, {"20261202", {{"dias.lst", "1\r\n"}}}},
                {"http://127.0.0.1:8001/", "http://127.0.0.1:8002/"}, secret_key);
    // Each list ends with its signature over the content between the markers
    // (what clients that know no expiry check), then its expiry, by default
    // a week after the newest day, signed together with the content.
    const std::string listing = "2\r\n20261201\r\n20261201\r\n20261202\r\n20261202\r\n";
    const std::string mirrors = "1\r\nhttp://127.0.0.1:8002/\r\nhttp://127.0.0.1:8001/\r\n";
    for (const auto& [file, content] : {std::pair{"mirror/listado.txt", listing}, std::pair{"mirror/espejos.txt", mirrors}}) {
        const std::string published = installation.Read(file);
        const std::string head = "comensando\r\n" + content + "terminando\r\nfirma ";
        ASSERT_EQ(published.substr(0, head.size()), head) << file;
        const size_t expiry = published.find("\r\nvence 20261209 ");
        ASSERT_NE(expiry, std::string::npos) << published;
        EXPECT_TRUE(TextSignatureVerifies(content, published.substr(head.size(), expiry - head.size()), public_key));
        std::string problem;
        const std::string expiry_rest = published.substr(expiry + 8, published.size() - expiry - 10);
        EXPECT_EQ(ExpiryDayOf(expiry_rest, content, public_key, problem), "20261209") << problem;
        EXPECT_EQ(ExpiryDayOf(expiry_rest, content + "x\r\n", public_key, problem), "");
        EXPECT_EQ(published.substr(published.size() - 2), "\r\n");
    }
    EXPECT_EQ(OpenPackage(installation.Read("mirror/dos/20261202.gif"), public_key).at(0).name, "dias.lst");
    // A bad mirror address, a day that is not a date, or lists that would
    // expire before their newest day write nothing.
    const std::vector<DayPackage> one_day = {{"20261201", {{"20261201.1cat", "14\r\n"}}}};
    EXPECT_THROW(WriteMirror("../refused", one_day, {"ftp://x/"}, secret_key), Error);
    EXPECT_THROW(WriteMirror("../refused", {{"20261301", {}}}, {"http://x/"}, secret_key), Error);
    EXPECT_THROW(WriteMirror("../refused", one_day, {"http://x/"}, secret_key, "20261130"), Error);
    EXPECT_FALSE(std::filesystem::exists(installation.Root() / "refused"));

    std::filesystem::create_directories(installation.Root() / "source/20261203/Resources");
    installation.Write("source/20261203.1cat", "14\r\n");
    installation.Write("source/20261203.cam", "5\r\n");
    installation.Write("source/20261203/mover.new", "1\r\nResources/a.gif\r\n");
    installation.Write("source/20261203/Resources/a.gif", "GIF");
    installation.Write("source/notes.txt", "not a day file");
    const auto days = ReadDayFolder("../source");
    ASSERT_EQ(days.size(), 1u);
    std::vector<std::string> names;
    for (const auto& file : days[0].files) names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{"20261203.1cat", "20261203.cam", "Resources/a.gif", "mover.new"}));
}

class QuietOwner : public ApplyOwner {
public:
    void RequestEnd() override {}
};

// The sample index published and applied through the real package runner
// files every entry into its history list and adds every category.
TEST(Mirror, APublishedIndexAppliedThroughTheRunnerFilesEveryEntry) {
    const char* stage = std::getenv("VELTOD_STAGE");
    const char* source = std::getenv("VELTOD_SOURCE_DIR");
    ASSERT_TRUE(stage && source);
    test::ScratchInstallation installation;
    TheApplyState() = ApplyState{};
    std::string public_key, secret_key;
    MakeKeyPair(public_key, secret_key);
    std::filesystem::copy_file(std::string(stage) + "/bin/veltod-unpack", installation.Path("bin/veltod-unpack"));
    WriteKeyFile(installation.Path("bin/veltod.pub"), public_key);
    SetPackageRunnerPath(installation.Path("bin/veltod-unpack"));
    WriteRecordFile("../Resources/Categ.txt", 4, {});
    for (const char* header : {"0.cat", "0.1cat", "0.2cat", "0.3cat"})
        WriteRecordFile(std::string("../Resources/") + header, 14, {});
    WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261127"}});

    DebianOptions options;
    options.days = 4;
    options.last_day = "20261201";
    const auto catalogue = BuildDebianCatalogue(
        ParsePackagesIndex(ReadWholeFile(std::string(source) + "/tests/data/Packages.sample")), options);
    const auto packages = PackagesOf(catalogue);
    WriteMirror("../mirror", packages, {"http://127.0.0.1:8478/"}, secret_key);
    std::vector<std::vector<std::string>> received;
    for (auto it = packages.rbegin(); it != packages.rend(); ++it) {
        CopyFile("../mirror/dos/" + it->day + ".gif", "../Recibi/" + it->day + ".exe");
        received.push_back({it->day + ".exe"});
    }
    WriteRecordFile("../Recibi/archivos.new", 1, received);
    QuietOwner owner;
    ApplyReceivedFiles(owner, "20261201");
    SetPackageRunnerPath("");

    RecordTable categories;
    ReadRecordFile("../Resources/Categ.txt", categories);
    EXPECT_EQ(categories.RowCount(), catalogue.categories.size());
    EXPECT_EQ(categories.FieldString(categories.RowCount() - 1, 0), "1");
    size_t filed = 0;
    for (const auto& category : catalogue.categories)
        for (const char* kind : {"1", "2", "3"}) {
            const std::string path = "../Resources/" + std::to_string(category.code) + "." + kind + "cat";
            if (!FileExists(path)) continue;
            RecordTable history;
            ReadRecordFile(path, history);
            filed += history.RowCount();
        }
    EXPECT_EQ(filed, 80u);
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n20261201\r\n");
}

// Runs the publisher with arguments from folder; its exit status, and what it
// wrote to standard output and error in output.
int RunPublisher(const std::vector<std::string>& arguments, const std::filesystem::path& folder, std::string& output) {
    const std::filesystem::path log = folder / "publisher.log";
    std::vector<std::string> words = {VELTOD_PUBLISH_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(child, &status, 0);
    std::ifstream in(log, std::ios::binary);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A command line the publisher does not understand stops it with exit
// status 2 and a message saying what is wrong, before anything is written;
// the same line without the fault publishes.
TEST(PublisherCommandLine, ArgumentErrorsStopWithStatusTwoBeforeAnythingIsWritten) {
    test::ScratchInstallation installation;
    const std::filesystem::path root = installation.Root();
    std::string public_key, secret_key;
    MakeKeyPair(public_key, secret_key);
    WriteKeyFile(installation.Path("key.sec"), secret_key);
    std::filesystem::create_directories(root / "source");
    installation.Write("source/20261203.1cat", "14\r\n");
    installation.Write("index", "Package: plain\nVersion: 1\nSection: utils\nDescription: Plain\n\n");
    const std::string source = installation.Path("source"), out = installation.Path("out"),
                      key = installation.Path("key.sec"), index = installation.Path("index");
    const std::vector<std::string> folder = {"folder", "--source", source, "--out", out, "--key", key};
    const std::vector<std::string> debian = {"debian", "--packages", index, "--out", out, "--key", key};
    const auto with = [](std::vector<std::string> line, const std::vector<std::string>& more) {
        line.insert(line.end(), more.begin(), more.end());
        return line;
    };
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"an unknown option", with(folder, {"--bogus-option", "1"}), 2, "unknown option --bogus-option for folder"},
        {"a last option without its value", with(folder, {"--mirror"}), 2, "option --mirror needs a value"},
        {"an option for a value", {"folder", "--source", source, "--out", "--key", key}, 2,
         "option --out needs a value"},
        {"a stray argument", with(folder, {"extra"}), 2, "unexpected argument 'extra'"},
        {"a required option left out", {"folder", "--source", source, "--out", out}, 2, "missing option --key"},
        {"a single option twice", with(folder, {"--out", out + "2"}), 2, "option --out is given twice"},
        {"an expiry written with dashes", with(folder, {"--valid-until", "2026-12-31"}), 2,
         "'2026-12-31' given to --valid-until is not a day YYYYMMDD"},
        {"an expiry on no day", with(folder, {"--valid-until", "20261332"}), 2, "is not a day"},
        {"a last day on no day", with(debian, {"--last-day", "20260230"}), 2, "'20260230' given to --last-day"},
        {"a count that is no number", with(debian, {"--last-day", "20261207", "--days", "7d"}), 2,
         "'7d' given to --days is not a number"},
        {"an expiry before the newest day of a folder", with(folder, {"--valid-until", "20261202"}), 2,
         "--valid-until 20261202 lies before the newest day published, 20261203"},
        {"an expiry before the last day of an index",
         with(debian, {"--last-day", "20261207", "--valid-until", "20261201"}), 2,
         "lies before the newest day published, 20261207"},
        {"an install through no day",
         {"install", "--mirror", out, "--installation", source, "--through", "soon"},
         2,
         "'soon' given to --through"},
        {"an unknown command", {"publish", "--out", out}, 2, "unknown command 'publish'"},
        {"a key pair with one file", {"keygen", out}, 2, "usage: veltod-publish keygen"},
        {"no command", {}, 2, "usage: veltod-publish"},
        {"a sound command line", with(folder, {"--valid-until", "20261203"}), 0, "lists good through 20261203"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string output;
        EXPECT_EQ(RunPublisher(c.arguments, root, output), c.status) << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        if (c.status == 0) continue;
        EXPECT_EQ(output.rfind("veltod-publish: ", 0), 0u) << output;
        EXPECT_FALSE(std::filesystem::exists(out)) << "the publisher wrote before it refused";
    }
    EXPECT_TRUE(std::filesystem::exists(root / "out/listado.txt"));
}

}  // namespace
}  // namespace veltod
