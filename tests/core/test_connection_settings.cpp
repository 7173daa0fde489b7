#include <gtest/gtest.h>

#include <string>

#include "core/apply/apply_state.h"
#include "core/platform/errors.h"
#include "core/skin/screen_layout.h"
#include "core/update/connection_settings.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

class ConnectionSettingsFile : public ::testing::Test {
protected:
    void SetUp() override { TheApplyState() = ApplyState{}; }
    void TearDown() override { TheApplyState() = ApplyState{}; }

    static ConnectionSettings Proxy() {
        return {"proxy.lan", "3128", "ana", ProxyTick::Ticked, "http://127.0.0.1:8478/cuenta"};
    }
    test::ScratchInstallation installation;
};

TEST_F(ConnectionSettingsFile, WritesFiveCrLfLinesAndReadsThemBack) {
    WriteConnectionSettings(Proxy());
    EXPECT_EQ(installation.Read("Recibi/proxy.con"),
              "proxy.lan\r\n3128\r\nana\r\ncbChecked\r\nhttp://127.0.0.1:8478/cuenta\r\n");
    EXPECT_EQ(ReadConnectionSettings(), Proxy());

    ConnectionSettings off{"", "80", "", ProxyTick::Unticked, "Edit7"};
    WriteConnectionSettings(off);
    EXPECT_EQ(installation.Read("Recibi/proxy.con"), "\r\n80\r\n\r\ncbUnchecked\r\nEdit7\r\n");
    EXPECT_EQ(ReadConnectionSettings(), off);

    // Only a ticked box is written as ticked; there is no third word on disk.
    off.proxy_ticked = ProxyTick::LeaveAsIs;
    EXPECT_EQ(EncodeConnectionSettings(off), "\r\n80\r\n\r\ncbUnchecked\r\nEdit7\r\n");
}

TEST_F(ConnectionSettingsFile, ReadsEveryLineEndAndStopsAtTheEndOfTextByte) {
    installation.Write("Recibi/proxy.con", "host\r80\nuser\r\ncbUnchecked\nhttp://n/\x1A" "garbage\r\n");
    const auto settings = ReadConnectionSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(*settings, (ConnectionSettings{"host", "80", "user", ProxyTick::Unticked, "http://n/"}));

    // An empty line between CR and LF pairs is a line of its own.
    installation.Write("Recibi/proxy.con", "\r\n\r\n\r\ncbChecked\r\n\r\n");
    EXPECT_EQ(*ReadConnectionSettings(), (ConnectionSettings{"", "", "", ProxyTick::Ticked, ""}));
}

TEST_F(ConnectionSettingsFile, ShortOddOrLongFilesGiveWhatTheyHold) {
    EXPECT_FALSE(ReadConnectionSettings());

    installation.Write("Recibi/proxy.con", "");
    EXPECT_EQ(*ReadConnectionSettings(), ConnectionSettings{});

    installation.Write("Recibi/proxy.con", "only.server");
    EXPECT_EQ(*ReadConnectionSettings(), (ConnectionSettings{"only.server", "", "", ProxyTick::LeaveAsIs, ""}));

    // The fourth line must be one of the two words exactly.
    for (const char* fourth : {"CBCHECKED", "cbChecked ", "1", ""}) {
        installation.Write("Recibi/proxy.con", std::string("s\r\n1\r\nu\r\n") + fourth + "\r\nn\r\n");
        EXPECT_EQ(ReadConnectionSettings()->proxy_ticked, ProxyTick::LeaveAsIs) << fourth;
    }

    installation.Write("Recibi/proxy.con", "a\r\nb\r\nc\r\ncbChecked\r\ne\r\nsixth\r\nseventh\r\n");
    EXPECT_EQ(*ReadConnectionSettings(), (ConnectionSettings{"a", "b", "c", ProxyTick::Ticked, "e"}));
}

TEST_F(ConnectionSettingsFile, LineBreaksTypedIntoAFieldCannotShiftTheLines) {
    ConnectionSettings pasted{"evil\r\n9999\r\n", "80\n", "u\x1A", ProxyTick::Ticked, "http://a/\rb"};
    WriteConnectionSettings(pasted);
    const auto read = ReadConnectionSettings();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->server, "evil  9999  ");
    EXPECT_EQ(read->port, "80 ");
    EXPECT_EQ(read->user, "u ");
    EXPECT_EQ(read->proxy_ticked, ProxyTick::Ticked);
    EXPECT_EQ(read->notification, "http://a/ b");
}

TEST_F(ConnectionSettingsFile, ScriptRewriteStopsSavingForTheRestOfTheProcess) {
    installation.Write("Recibi/proxy.con", "old\r\n80\r\n\r\ncbUnchecked\r\nhttp://from-script/\r\n");
    EXPECT_TRUE(ConnectionSettingsMayBeSaved());
    TheApplyState().ProxyFileRewritten = "ACTUALIZADO";
    EXPECT_FALSE(ConnectionSettingsMayBeSaved());
    EXPECT_FALSE(SaveConnectionSettings(Proxy()));
    EXPECT_EQ(installation.Read("Recibi/proxy.con"), "old\r\n80\r\n\r\ncbUnchecked\r\nhttp://from-script/\r\n");

    TheApplyState().ProxyFileRewritten = "";
    EXPECT_TRUE(SaveConnectionSettings(Proxy()));
    EXPECT_EQ(*ReadConnectionSettings(), Proxy());
}

TEST_F(ConnectionSettingsFile, WriteFailureIsReportedAndLeavesNoFileBehind) {
    std::filesystem::remove_all(installation.Root() / "Recibi");
    EXPECT_THROW(SaveConnectionSettings(Proxy()), FileError);
    EXPECT_FALSE(std::filesystem::exists(installation.Root() / "Recibi"));

    // A folder in the file's place is no settings file, and is not replaced.
    std::filesystem::create_directories(installation.Root() / "Recibi" / "proxy.con");
    EXPECT_FALSE(ReadConnectionSettings());
    EXPECT_THROW(WriteConnectionSettings(Proxy()), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(installation.Root() / "Recibi" / "proxy.con"));
}

TEST(SettingsWindowPlace, HangsFromTheRightEdgeBelowTheMainWindow) {
    constexpr int width = 407;
    constexpr int main_height = 71;
    const auto at = [&](const std::string& key) {
        return PlaceSettingsWindow(LayoutLeft("TransmitForm", key), LayoutTop("TransmitForm", key), width,
                                   main_height);
    };
    EXPECT_EQ(at("1024x768").left, 617);
    EXPECT_EQ(at("1024x768").top, 71);
    EXPECT_EQ(at("1600x1200").left, 1193);
    // 640x480 holds 0 and 80: the left edge, just below the main window.
    EXPECT_EQ(at("640x480").left, 0);
    EXPECT_EQ(at("640x480").top, 71);
    EXPECT_EQ(PlaceSettingsWindow(800, 10, width, main_height).top, 81);
}

}  // namespace
}  // namespace veltod
