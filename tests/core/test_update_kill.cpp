// The update run the Update button starts, after the start-up pass, and the
// update command that runs both without a window, killed with SIGKILL at
// each of their durable steps (every rename, append, delete, link and flush),
// then started again and updated: the installation must end byte for byte
// as after a run that was never interrupted.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/apply/received_files.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/shell/update_command.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "server/mirror_publish.h"
#include "support/apply_tree.h"
#include "support/fake_seams.h"
#include "support/local_servers.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

using Records = std::vector<std::vector<std::string>>;

constexpr auto Entry = &test::ApplyEntry;

std::string Records14(const Records& entries, int fields = 14) {
    std::string bytes = std::to_string(fields) + "\r\n";
    for (const auto& entry : entries) bytes += EncodeRecord(entry);
    return bytes;
}

// The mirror's date is the clock's (nginx's Date header), so the days are
// counted back from today.
std::string DaysAgo(int days) {
    const std::time_t when = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
    std::tm parts{};
    ::gmtime_r(&when, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &parts);
    return text;
}
const std::string kDay0 = DaysAgo(7), kDay1 = DaysAgo(6), kDay2 = DaysAgo(5), kDay3 = DaysAgo(4), kDay4 = DaysAgo(3);

std::atomic<long> steps_left{-1};
void KillAtStep() {
    if (steps_left.fetch_sub(1) == 0) ::raise(SIGKILL);
}

// Where the tree as it stood at the last flush of the file system is kept.
std::filesystem::path synced_copy;
void CopySyncedTree() {
    std::error_code ignored;
    std::filesystem::remove_all(synced_copy, ignored);
    std::filesystem::copy(synced_copy.parent_path() / synced_copy.stem(), synced_copy,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
}

void NoEnd() {}

struct Owner : ApplyOwner {
    void RequestEnd() override {}
};

struct NoNotices : UpdateNotices {
    void DaysArrived(const std::vector<DayArrival>&) override {}
    void FailingDays(int, const std::string&) override {}
};

// How the run is started: the program's start then its Update button, or the
// update command.
enum class RunFrom { Button, Command };

class KilledUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        const char* stage = std::getenv("VELTOD_STAGE");
        ASSERT_NE(stage, nullptr);
        runner = std::string(stage) + "/bin/veltod-unpack";
        MakeKeyPair(public_key, secret_key);
        const std::string base = mirror.Url("/tree/");
        // Three pending days and a fourth that only a day index names: an
        // update script, a text bundle, files to move, a day index with a day
        // that brings only a script and a kind-3 list, and a new program.
        WriteMirror((mirror.Root() / "tree").string(),
                    {{kDay0, {{kDay0 + ".1cat", Records14({Entry("5", "10")})}}},
                     {kDay1,
                      {{kDay1 + ".1cat", Records14({Entry("5", "23"), Entry("5", "21"), Entry("6", "22")})},
                       {kDay1 + ".2cat", Records14({Entry("7", "24")})},
                       {kDay1 + ".cam", Records14({{"&QUIFIL&", "5", "2", "1", ""},
                                                   {"&ADDCAT&", "7", "5", "1", "Chess"},
                                                   {"&CONTAD&", "http://127.0.0.1/n", "", "", ""}},
                                                  5)},
                       {"nuevo.lst", "%nom%:note.txt\r\nPREFIX..\\Resources\\\r\nhello\r\n"},
                       {"Resources/pic.gif", "GIF89a"},
                       {"mover.new", Records14({{"Resources/pic.gif"}}, 1)}}},
                     {kDay2,
                      {{kDay2 + ".1cat", Records14({Entry("5", "31"), Entry("8", "30")})},
                       {"dias.lst", Records14({{kDay2}, {kDay3}}, 1)},
                       {kDay3 + ".3cat", Records14({Entry("5", "40")})},
                       {kDay3 + ".cam", Records14({{"&RENCAT&", "5", "Board games", "", ""}}, 5)},
                       {"VeltoD.upd", "new program"}}},
                     {kDay4,
                      {{kDay4 + ".1cat", Records14({Entry("5", "51"), Entry("9", "50")})},
                       {"nuevo.lst", "%nom%:note.txt\r\nPREFIX../Resources/\r\nagain\r\n"}}}},
                    {base}, secret_key);
        TheUpdateSettings().PauseBetweenRoundsMs = 0;
        mirror.Put("index.html", "probe");
        TheUpdateSettings().ProbeSites = {mirror.Url("/")};
        SetProcessEndHook(NoEnd);
    }
    void TearDown() override {
        std::filesystem::current_path(installation.Root() / "bin");
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
        if (!synced_copy.empty()) std::filesystem::remove_all(synced_copy, ignored);
        SetPackageRunnerPath("");
        SetProcessEndHook(nullptr);
        TheUpdateSettings() = UpdateSettings{};
    }

    // On a memory file system where there is one: each run flushes the disk
    // many times, and the kill points are many.
    std::filesystem::path Root() const { return root; }
    std::filesystem::path MakeRoot() const {
        char pattern[] = "/dev/shm/veltod-kill-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) return pattern;
        return installation.Root() / "kill";
    }

    void Prepare() {
        std::filesystem::current_path(installation.Root());
        test::PrepareApplyTree(Root(), runner, public_key);
        WriteRecordFile("../Resources/actualizado.fij", 1, {{kDay0}});
        WriteRecordFile("../Recibi/espejos.fij", 1, {{mirror.Url("/tree/")}});
        WriteRecordFile("../Recibi/listado.txt", 2, {});
        WriteRecordFile("../Recibi/archivos.new", 1, {});
        ReplaceFileAtomically("../Recibi/proxy.con", "\r\n\r\n\r\n\r\nhttp://127.0.0.1/old\r\n");
        // The program under its name: without it a start does no start-up pass.
        ReplaceFileAtomically("../bin/VeltoD.exe", "the program");
    }

    // A start of the program (its pass over received files), then Update;
    // in a child process of its own, as a new start of the program is.
    static int StartAndUpdate(long kill_at, bool keep_synced = false, RunFrom entry = RunFrom::Button) {
        const pid_t child = ::fork();
        if (child != 0) {
            int status = 0;
            ::waitpid(child, &status, 0);
            return status;
        }
        if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(4);  // the package runner lists what it wrote
        test::SeamsGuard seams;
        if (kill_at >= 0) {
            steps_left = kill_at;
            SetFileStepHook(KillAtStep);
        }
        if (keep_synced) SetFileSyncedHook(CopySyncedTree);
        try {
            if (entry == RunFrom::Command) {
                NoNotices notices;
                const int status = RunUpdateCommand(notices, stderr, false);
                ::_exit(status == kExitDaysArrived || status == kExitUpToDate ? 0 : 3);
            }
            Owner owner;
            ApplyReceivedFiles(owner, kStartUpDate);
            test::RecordingTransmitView view;
            HttpClient client;
            client.SetIdleTimeoutMs(15000);
            TransmitHttpEvents events(view, client);
            client.SetEvents(&events);
            RunUpdate(view, client);
            // The run may end by saying what arrived; any error box fails it.
            bool errors = false;
            for (const auto& shown : seams.dialogs.shown) {
                std::fprintf(stderr, "shown: %s\n", shown.text.c_str());
                errors = errors || shown.kind == "error";
            }
            ::_exit(errors ? 3 : 0);
        } catch (...) {
            ::_exit(2);
        }
    }

    // Every file of the installation with its bytes. The list of packages
    // the last run fetched differs by design: a run after a kill fetches
    // only what was not applied.
    std::string Tree() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Root()))
            if (!entry.is_directory()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        std::string all;
        for (const auto& file : files) {
            const std::string name = file.lexically_relative(Root()).string();
            if (name == "Recibi/archivos.new") continue;
            all += name + "\n" + ReadWholeFile(file.string()) + "\n";
        }
        return all;
    }

    test::ScratchInstallation installation;
    std::filesystem::path root = MakeRoot();
    test::NginxServer mirror;
    std::string runner, public_key, secret_key;
};

class KilledUpdateFrom : public KilledUpdate, public ::testing::WithParamInterface<RunFrom> {};

TEST_P(KilledUpdateFrom, KilledAtEveryDurableStepThenStartedAndUpdatedEndsAsAnUninterruptedRun) {
    const RunFrom entry = GetParam();
    Prepare();
    ASSERT_EQ(StartAndUpdate(-1, false, entry), 0);
    const std::string expected = Tree();
    for (const std::string& part : {"Resources/actualizado.fij\n1\r\n" + kDay4 + "\r\n", std::string("Board games"), std::string("Chess"),
                             std::string("Resources/note.txt\nagain\r\n"),
                                    std::string("Resources/pic.gif\nGIF89a"), std::string("bin/Veltodactualiz.exe\n"),
                                    std::string("http://127.0.0.1/n\r\n")})
        ASSERT_NE(expected.find(part), std::string::npos) << part << "\n" << expected;
    for (const std::string& gone : {std::string("../bin/dias.lst"), std::string("../Resources/script.jnl"), "../bin/" + kDay3 + ".3cat",
                                    "../bin/" + kDay2 + ".exe", "../Recibi/" + kDay4 + ".exe"})
        EXPECT_FALSE(FileExists(gone)) << gone;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Root()))
        EXPECT_EQ(entry.path().string().find(".new~"), std::string::npos) << entry.path();

    long tried = 0, matched = 0;
    for (long step = 0; step < 3000; ++step) {
        Prepare();
        const int status = StartAndUpdate(step, false, entry);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) break;  // the run ended before this step
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "step " << step << " status " << status;
        ++tried;
        ASSERT_EQ(StartAndUpdate(-1, false, entry), 0) << "the run after a kill at step " << step << " failed";
        const std::string tree = Tree();
        EXPECT_EQ(tree, expected) << "killed at step " << step;
        if (tree == expected) ++matched;
    }
    std::cout << "kill points tried " << tried << ", matched " << matched << "\n";
    EXPECT_GT(tried, 50);
    EXPECT_EQ(matched, tried);
}

// A power cut keeps only what reached the disk: the run stops at each durable
// step and the installation goes back to what it was at the last flush of
// the file system before that step (each applied day ends with one).
INSTANTIATE_TEST_SUITE_P(Entries, KilledUpdateFrom, ::testing::Values(RunFrom::Button, RunFrom::Command),
                         [](const ::testing::TestParamInfo<RunFrom>& entry) {
                             return std::string(entry.param == RunFrom::Button ? "Button" : "Command");
                         });

TEST_F(KilledUpdate, APowerCutAtAnyStepKeepsTheLastFlushAndTheNextUpdateEndsTheSame) {
    Prepare();
    ASSERT_EQ(StartAndUpdate(-1), 0);
    const std::string expected = Tree();
    synced_copy = Root().string() + ".synced";
    long tried = 0, matched = 0, restored = 0;
    for (long step = 0; step < 3000; ++step) {
        Prepare();
        std::error_code ignored;
        std::filesystem::remove_all(synced_copy, ignored);
        const int status = StartAndUpdate(step, true);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) break;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "step " << step << " status " << status;
        ++tried;
        if (std::filesystem::exists(synced_copy)) {
            std::filesystem::current_path(installation.Root());
            std::filesystem::remove_all(Root());
            std::filesystem::rename(synced_copy, Root());
            std::filesystem::current_path(Root() / "bin");
            ++restored;
        } else {
            Prepare();  // no flush yet: the installation as it was
        }
        ASSERT_EQ(StartAndUpdate(-1), 0) << "the run after a power cut at step " << step << " failed";
        const std::string tree = Tree();
        EXPECT_EQ(tree, expected) << "power cut at step " << step;
        if (tree == expected) ++matched;
    }
    std::cout << "power cuts tried " << tried << " (" << restored << " after a flush), matched " << matched << "\n";
    EXPECT_GT(restored, 20);
    EXPECT_EQ(matched, tried);
}

}  // namespace
}  // namespace veltod
