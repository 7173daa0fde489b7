// Whole update runs against the build's demo mirror served by a mirror that
// misbehaves in one way per case. The hostile run happens in a child process,
// so that a crash shows as a signal and its peak memory is its own; it must
// end with a message naming what was wrong, stay below the memory bound and
// leave every installed file as it was. The next run against the sound
// mirror must then bring every pending day.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/platform/program_start.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "core/view/process_state.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"
#include "support/demo_mirror.h"
#include "support/fake_seams.h"
#include "support/hostile_mirror.h"
#include "support/signed_lists.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;
using test::Hostility;
using test::Misbehaviour;

// The most a hostile run may add to the process's resident memory. Lists
// are capped at 16 MiB and held in memory, so a run that only meets hostile
// lists stays below the list bound; a package body, up to the HTTP client's
// 256 MiB limit, goes to its file block by block as it arrives and is never
// held (about 4 MiB at the peak for an endless one).
constexpr long kListRunBoundMiB = 64;
constexpr long kPackageRunBoundMiB = 32;

std::string Stage() {
    const char* stage = std::getenv("VELTOD_STAGE");
    return stage ? stage : "";
}

// The bytes between a published list's marker lines, as the run keeps them.
std::string ListContent(const std::string& published) {
    const size_t begin = published.find("comensando\r\n") + 12;
    return published.substr(begin, published.find("terminando\r\n") - begin);
}

std::string WithoutSignature(const std::string& published) {
    return published.substr(0, published.find(kSignatureLine));
}

const test::ListKeys& OtherKeys() {
    static const test::ListKeys keys;
    return keys;
}

// Far beyond the server date of every run here.
const char kFarDay[] = "20991231";

std::string ResignedWithOtherKey(const std::string&, const std::string& published) {
    return WrapInMarkers(ListContent(published), OtherKeys().secret_key, kFarDay);
}

std::string DemoSecretKey() {
    return ReadKeyFile(fs::path(Stage()).parent_path() / "demo-keys/veltod.sec", kSecretKeySize);
}

// A demo list signed again with the demo key, validly, but good only through
// the day before the runs' server date, the demo's newest day.
std::string ExpiredTheDayBefore(const std::string&, const std::string& published) {
    const test::DemoListing days(fs::path(Stage()).parent_path() / "mirror/listado.txt");
    return WrapInMarkers(ListContent(published), DemoSecretKey(), AddDays(days.LastDay(), -1));
}

// The demo packages' members, packed again and signed with another key.
std::string PackageOfOtherKey(const std::string&, const std::string& package) {
    const std::string key = ReadKeyFile(Stage() + "/bin/veltod.pub", kPublicKeySize);
    return BuildPackage(OpenPackage(package, key), OtherKeys().secret_key);
}

std::string PackageWithBadSignature(const std::string&, std::string package) {
    package[package.size() - 10] ^= 0x55;
    return package;
}

// A million distinct four-letter names: just under the listing's cap.
std::string MillionNames(const std::string&, const std::string&) {
    std::string content = "2\r\n";
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int name = 0; name < 1000000; ++name)
        content += std::string("19990101\r\n") + letters[name % 36] + letters[name / 36 % 36] +
                   letters[name / 1296 % 36] + letters[name / 46656 % 36] + "\r\n";
    return WrapInMarkers(content, OtherKeys().secret_key, kFarDay);
}

std::string MillionMirrors(const std::string&, const std::string&) {
    std::string content = "1\r\n";
    for (int mirror = 0; mirror < 1000000; ++mirror) content += "http://127.0.0.1:1/\r\n";
    return "comensando\r\n" + content + "terminando\r\n";
}

std::string EmptyListing(const std::string&, const std::string&) {
    return WrapInMarkers("", DemoSecretKey(), kFarDay);
}

struct Case {
    const char* name;
    Hostility hostility;
    const char* message;  // a fragment of what the run says at its end
    bool run_applies;     // legal HTTP: the hostile run itself brings the days
    bool slow;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const std::vector<Case>& Cases() {
    using M = Misbehaviour;
    static const std::vector<Case> cases = {
        {"TruncatedMirrorList", {M::Truncate, "espejos.txt", {}}, "cut short", false, false},
        {"TruncatedListing", {M::Truncate, "listado.txt", {}}, "cut short", false, false},
        {"TruncatedPackages", {M::Truncate, "dos/", {}}, "cut short", false, false},
        {"EndlessMirrorList", {M::EndlessBody, "espejos.txt", {}}, "larger than 1048576 bytes", false, false},
        {"EndlessPackages", {M::EndlessBody, "dos/", {}}, "larger than", false, true},
        {"HugeHeaderLine", {M::HugeHeaderLine, "espejos.txt", {}}, "line longer than", false, false},
        {"HugeChunkSize", {M::HugeChunkSize, "listado.txt", {}}, "Invalid chunk size", false, false},
        {"RedirectLoop", {M::RedirectLoop, "espejos.txt", {}}, "redirect loop", false, false},
        {"Drip", {M::Drip, "espejos.txt", {}}, "new days arrived", true, true},
        {"ResetAfterStatusLine", {M::ResetAfterStatus, "listado.txt", {}}, "reset", false, false},
        {"Http10BodyEndedByClose", {M::Http10, "", {}}, "new days arrived", true, false},
        {"HeadWithoutDate", {M::HeadWithoutDate, "", {}}, "answer carried no date", false, false},
        {"HeadDated2001", {M::HeadDated2001, "", {}}, "before October 2001: Mon, 01 Jan 2001 10:00:00 GMT", false,
         false},
        {"PackagesOfAnotherKey", {M::Replace, "dos/", PackageOfOtherKey}, "signature", false, false},
        {"PackagesWithBadSignature", {M::Replace, "dos/", PackageWithBadSignature}, "signature", false, false},
        {"ListingOfAMillionNames", {M::Replace, "listado.txt", MillionNames}, "signature that does not verify", false,
         true},
        {"MirrorListOfAMillionLines", {M::Replace, "espejos.txt", MillionMirrors}, "larger than 1048576 bytes",
         false, true},
        {"EmptyListing", {M::Replace, "listado.txt", EmptyListing}, "is not a sound list", false, false},
        {"UnsignedMirrorList", {M::Replace, "espejos.txt", [](auto&, auto& list) { return WithoutSignature(list); }},
         "is not signed", false, false},
        {"MirrorListOfAnotherKey", {M::Replace, "espejos.txt", ResignedWithOtherKey},
         "signature that does not verify", false, false},
        {"ExpiredListing", {M::Replace, "listado.txt", ExpiredTheDayBefore},
         "served one that expired on 2026-12-06", false, false},
        {"ExpiredMirrorList", {M::Replace, "espejos.txt", ExpiredTheDayBefore},
         "served one that expired on 2026-12-06", false, false},
    };
    return cases;
}

std::vector<Case> CasesWhere(bool slow) {
    std::vector<Case> chosen;
    for (const Case& c : Cases())
        if (c.slow == slow) chosen.push_back(c);
    return chosen;
}

// What a run in a child process came to.
struct Outcome {
    int signal = 0;            // the signal that ended it, if any
    bool finished = false;     // it reported before the time limit
    std::string message;       // the dialogs and the error it ended with
    long peak_growth_kib = 0;  // peak resident memory above its start
};

long StatusKib(const char* field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
    return 0;
}

// The packages are unpacked by the real package runner; the program's
// restart is not made.
struct NoRestart : ProcessStarter {
    void Start(const std::string&) override {}
};
void NoEnd() {}

// One update run through the mirror (as the proxy of every address),
// bounded to five minutes.
Outcome RunInChild(int mirror_port) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        // Measured from here: the peak is set back to what is resident now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long start = StatusKib("VmRSS:");
        std::string message;
        {
            test::SeamsGuard seams;
            NoRestart starter;
            SetProgramStarter(&starter);
            SetProcessEndHook(NoEnd);
            SetPackageRunnerPath("../bin/veltod-unpack");
            TheUpdateState() = UpdateState{};
            TheApplyState() = ApplyState{};
            State() = ProcessState{};
            TheUpdateSettings().ProbeSites = {"http://probe.test/"};
            TheUpdateSettings().MaxMirrorRounds = 2;
            TheUpdateSettings().PauseBetweenRoundsMs = 100;
            test::RecordingTransmitView view;
            view.use_proxy = true;
            view.server = "127.0.0.1";
            view.port = std::to_string(mirror_port);
            view.notification = "http://notify.test/";
            HttpClient client;
            client.SetIdleTimeoutMs(10000);
            TransmitHttpEvents events(view, client);
            client.SetEvents(&events);
            client.SetPump([&] { view.ProcessMessages(); });
            try {
                RunUpdate(view, client);
            } catch (const std::exception& error) {
                message = std::string("error: ") + error.what();
            }
            for (const auto& shown : seams.dialogs.shown) message += " | " + shown.title + ": " + shown.text;
            message += " | " + view.progress_line;
        }
        const std::string text = std::to_string(StatusKib("VmHWM:") - start) + "\n" + message;
        for (size_t written = 0; written < text.size();) {
            const ssize_t done = ::write(report[1], text.data() + written, text.size() - written);
            if (done <= 0) break;
            written += static_cast<size_t>(done);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    Outcome outcome;
    std::string text;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    for (;;) {
        pollfd entry{report[0], POLLIN, 0};
        if (std::chrono::steady_clock::now() > until) {
            ::kill(child, SIGKILL);
            break;
        }
        if (::poll(&entry, 1, 200) <= 0) continue;
        char block[4096];
        const ssize_t got = ::read(report[0], block, sizeof block);
        if (got <= 0) {
            outcome.finished = !text.empty();
            break;
        }
        text.append(block, static_cast<size_t>(got));
    }
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    const size_t end = text.find('\n');
    if (end != std::string::npos) {
        outcome.peak_growth_kib = std::atol(text.substr(0, end).c_str());
        outcome.message = text.substr(end + 1);
    }
    return outcome;
}

std::map<std::string, std::string> TreeBytes(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().lexically_relative(root).generic_string()] = {std::istreambuf_iterator<char>(in),
                                                                          std::istreambuf_iterator<char>()};
    }
    return files;
}

// "Mon, 07 Dec 2026 12:00:00 GMT" for the day YYYYMMDD.
std::string HttpDateOf(const std::string& day) {
    std::tm parts{};
    parts.tm_year = std::stoi(day.substr(0, 4)) - 1900;
    parts.tm_mon = std::stoi(day.substr(4, 2)) - 1;
    parts.tm_mday = std::stoi(day.substr(6, 2));
    parts.tm_hour = 12;
    const std::time_t when = ::timegm(&parts);
    ::gmtime_r(&when, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

class HostileMirrorRun : public ::testing::TestWithParam<Case> {};

TEST_P(HostileMirrorRun, EndsWithAClearMessageKeepsTheInstallationAndTheNextSoundRunBringsEverything) {
    const Case& c = GetParam();
    const fs::path stage = Stage();
    ASSERT_FALSE(stage.empty());
    const fs::path published = stage.parent_path() / "mirror";
    const test::DemoListing days(published / "listado.txt");

    // A copy of the staged installation's data (its skin pictures, which no
    // update touches, stay behind), two packages behind the mirror's newest
    // day, whose mirror list is the mirror's own.
    test::ScratchInstallation installation;
    for (const char* folder : {"Resources", "Recibi", "Def"})
        for (const auto& entry : fs::directory_iterator(stage / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".gif")
                fs::copy_file(entry.path(), installation.Root() / folder / entry.path().filename());
    for (const char* file : {"bin/veltod.pub", "bin/veltod-unpack"})
        fs::copy_file(stage / file, installation.Root() / file, fs::copy_options::overwrite_existing);
    test::HostileMirror mirror(published, HttpDateOf(days.LastDay()));
    const std::string sound_mirrors = ListContent(mirror.File("espejos.txt"));
    const std::string sound_listing = ListContent(mirror.File("listado.txt"));
    installation.Write("Recibi/espejos.fij", sound_mirrors);
    installation.Write("Resources/actualizado.fij", test::DemoListing::LastAppliedFile(days.TwoBehindDay()));
    const auto before = TreeBytes(installation.Root());

    mirror.Behave(c.hostility);
    const Outcome hostile = RunInChild(mirror.Port());
    EXPECT_TRUE(hostile.finished);
    EXPECT_EQ(hostile.signal, 0);
    EXPECT_NE(hostile.message.find(c.message), std::string::npos) << hostile.message;
    const long bound_mib = c.hostility.prefix == "dos/" ? kPackageRunBoundMiB : kListRunBoundMiB;
    EXPECT_LT(hostile.peak_growth_kib, bound_mib * 1024) << hostile.message;
    std::printf("[ peak ] %s: %ld KiB\n", c.name, hostile.peak_growth_kib);

    if (!c.run_applies) {
        // Only the fetched-package record and sound copies of the lists may
        // differ; packages fetched but not applied wait in Recibi/, and the
        // run's lock file, empty, is made by the first run.
        const auto after = TreeBytes(installation.Root());
        std::map<std::string, std::string> every = before;
        every.insert(after.begin(), after.end());
        for (const auto& [path, bytes] : every) {
            const auto was = before.find(path), is = after.find(path);
            if (was != before.end() && is != after.end() && was->second == is->second) continue;
            const std::string now = is == after.end() ? "(gone)" : is->second;
            const bool mirror_list = path == "Recibi/espejos.txt" || path == "Recibi/espejos.fij";
            const bool received_package = was == before.end() && path.rfind("Recibi/", 0) == 0 &&
                                          fs::path(path).extension() == ".exe";
            const bool lock = path == "Recibi/update.lock" && was == before.end() && now.empty();
            const bool allowed = path == "Recibi/archivos.new" || (mirror_list && now == sound_mirrors) ||
                                 (path == "Recibi/listado.txt" && now == sound_listing) || received_package || lock;
            EXPECT_TRUE(allowed) << path << " changed";
        }
    }

    mirror.Behave({});
    const Outcome next = RunInChild(mirror.Port());
    EXPECT_EQ(next.signal, 0);
    EXPECT_NE(next.message.find(c.run_applies ? "UP TO DATE" : "2 new days arrived"), std::string::npos)
        << next.message;
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), test::DemoListing::LastAppliedFile(days.LastDay()));
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Quick, HostileMirrorRun, ::testing::ValuesIn(CasesWhere(false)), CaseName);
INSTANTIATE_TEST_SUITE_P(Slow, HostileMirrorRun, ::testing::ValuesIn(CasesWhere(true)), CaseName);

}  // namespace
}  // namespace veltod
