#include <QTest>

#include "core/apply/apply_state.h"
#include "support/window_set_fixture.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/update/TransmitForm.h"

namespace {

using veltod::TTransmitForm;

class SettingsWindow : public veltod::test::WindowSetTest {
protected:
    SettingsWindow() { veltod::TheApplyState() = veltod::ApplyState{}; }
    ~SettingsWindow() override { veltod::TheApplyState() = veltod::ApplyState{}; }

    TTransmitForm& Form() { return *windows->TransmitForm; }
    // The main window's settings button, as the user opens the window.
    void OpenSettings() { QTest::mouseClick(Main().Image9, Qt::LeftButton); }
    void Close() { QTest::mouseClick(Form().Button2, Qt::LeftButton); }
    std::string SettingsFile() const { return installation.Read("Recibi/proxy.con"); }
    bool SettingsFileExists() const { return std::filesystem::exists(installation.Root() / "Recibi/proxy.con"); }
    std::vector<QWidget*> ProxyControls() {
        TTransmitForm& f = Form();
        return {f.Edit2, f.Edit3, f.Edit4, f.Edit5, f.Label1, f.Label2, f.Label3, f.Label4};
    }
    int EnabledProxyControls() {
        int enabled = 0;
        for (QWidget* control : ProxyControls()) enabled += control->isEnabled() ? 1 : 0;
        return enabled;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> errors;
        for (const auto& shown : seams.dialogs.shown)
            if (shown.kind == "error") errors.push_back(shown.text);
        return errors;
    }
};

TEST_F(SettingsWindow, ControlsStandWhereTheWindowDefinitionPutsThem) {
    Start();
    OpenSettings();
    TTransmitForm& f = Form();
    ASSERT_TRUE(f.isVisible());
    EXPECT_EQ(f.size(), QSize(407, 103));
    // 1024x768: hanging from the screen's right edge, just below the main bar.
    EXPECT_EQ(f.pos(), QPoint(1024 - 407, Main().height()));

    const std::pair<QWidget*, QRect> placed[] = {
        {f.Edit1, {8, 5, 161, 17}},    {f.Edit6, {296, 5, 105, 21}},  {f.CheckBox1, {8, 24, 73, 17}},
        {f.Edit2, {152, 24, 121, 21}}, {f.Edit3, {152, 48, 33, 21}},  {f.Edit4, {280, 48, 121, 21}},
        {f.Edit5, {280, 72, 121, 21}}, {f.Button2, {8, 43, 41, 25}},
    };
    for (const auto& [control, rect] : placed) EXPECT_EQ(control->geometry(), rect) << control->objectName().toStdString();
    const std::pair<QWidget*, QPoint> labels[] = {{f.Label1, {88, 25}}, {f.Label2, {88, 48}}, {f.Label3, {192, 48}},
                                                 {f.Label4, {192, 72}}, {f.Label5, {8, 72}},  {f.Label6, {8, 88}}};
    for (const auto& [label, at] : labels) {
        EXPECT_EQ(label->pos(), at) << label->objectName().toStdString();
        EXPECT_TRUE(label->isVisible());
        EXPECT_LE(label->x() + label->width(), 407);
    }
    // No label runs under the field beside it; the button's caption is yellow
    // on olive, not on the theme's white.
    for (const auto& [label, field] : {std::pair{f.Label1, f.Edit2}, std::pair{f.Label2, f.Edit3},
                                       std::pair{f.Label3, f.Edit4}, std::pair{f.Label4, f.Edit5}})
        EXPECT_LE(label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text()), field->x() - 4)
            << label->text().toStdString();
    EXPECT_EQ(f.Button2->palette().color(QPalette::Active, QPalette::Button), veltod::kSkinOlive);
    EXPECT_EQ(f.Label5->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f.Label6->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f.Edit5->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(f.Edit1->isReadOnly() && f.Edit6->isReadOnly());
    EXPECT_EQ(f.Button2->text(), "Close");
    EXPECT_EQ(f.Edit3->text(), "80");
    EXPECT_EQ(f.Edit7->text(), "Edit7");

    // Never visible: the notification field, the start button and the trace
    // viewer, which lies outside the client area.
    EXPECT_FALSE(f.Edit7->isVisible());
    EXPECT_FALSE(f.Button1->isVisible());
    EXPECT_FALSE(f.Viewer->isVisible());
    EXPECT_EQ(f.Viewer->x(), 520);

    // Tab order, as the keyboard walks it.
    const std::vector<QWidget*> order{f.Button1, f.Edit1,   f.Viewer,    f.Edit2, f.Edit3, f.Button2,
                                      f.Edit4,   f.Edit5,   f.CheckBox1, f.Edit6, f.Edit7};
    std::vector<QWidget*> walked;
    QWidget* at = f.Button1;
    for (int step = 0; step < 200 && walked.size() < order.size(); ++step, at = at->nextInFocusChain())
        if (std::find(order.begin(), order.end(), at) != order.end()) walked.push_back(at);
    EXPECT_EQ(walked, order);

    // 640x480: the left edge, still just below the main window.
    Close();
    seams.screen.Set(640, 480);
    OpenSettings();
    EXPECT_EQ(f.pos(), QPoint(0, Main().height()));
}

TEST_F(SettingsWindow, UseProxyEnablesAndDisablesTheEightControlsKeepingTheirTexts) {
    Start();
    OpenSettings();
    TTransmitForm& f = Form();
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 0);

    QTest::mouseClick(f.CheckBox1, Qt::LeftButton);
    ASSERT_TRUE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 8);
    QTest::keyClicks(f.Edit2, "proxy.lan");
    QTest::keyClicks(f.Edit5, "secret");

    QTest::mouseClick(f.CheckBox1, Qt::LeftButton);
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 0);
    EXPECT_EQ(f.Edit2->text(), "proxy.lan");
    EXPECT_EQ(f.Edit5->text(), "secret");
    EXPECT_TRUE(f.Edit6->isEnabled());
    EXPECT_TRUE(f.Button2->isEnabled());

    // The settings button puts the focus where typing starts.
    QTest::mouseClick(f.CheckBox1, Qt::LeftButton);
    Close();
    OpenSettings();
    EXPECT_EQ(f.focusWidget(), f.Edit2);
}

TEST_F(SettingsWindow, ActivationLoadsTheFileAndOnlyTheTwoWordsMoveTheBox) {
    installation.Write("Recibi/proxy.con", "cache.lan\r\n3128\r\nJos\xE9\r\ncbChecked\r\nhttp://n.example/c\r\n");
    Start();
    OpenSettings();
    TTransmitForm& f = Form();
    EXPECT_EQ(f.Edit2->text(), "cache.lan");
    EXPECT_EQ(f.Edit3->text(), "3128");
    EXPECT_EQ(f.Edit4->text(), QString::fromUtf8("José"));
    EXPECT_EQ(f.Edit7->text(), "http://n.example/c");
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 8);

    Close();
    installation.Write("Recibi/proxy.con", "h\r\n8080\r\nu\r\ncbUnchecked\r\nn\r\n");
    OpenSettings();
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 0);
    EXPECT_EQ(f.Edit2->text(), "h");

    // Any other fourth line leaves the box as it is; a short file empties
    // the texts it lacks.
    Close();
    installation.Write("Recibi/proxy.con", "short\r\n80\r\n\r\nyes\r\n");
    OpenSettings();
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 0);
    EXPECT_EQ(f.Edit7->text(), "");
    Close();
    f.CheckBox1->setChecked(true);
    installation.Write("Recibi/proxy.con", "only");
    OpenSettings();
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_EQ(EnabledProxyControls(), 8);
    EXPECT_EQ(f.Edit2->text(), "only");
    EXPECT_EQ(f.Edit3->text(), "");
}

TEST_F(SettingsWindow, PasswordLivesOnlyInTheProcess) {
    Start();
    OpenSettings();
    QTest::mouseClick(Form().CheckBox1, Qt::LeftButton);
    QTest::keyClicks(Form().Edit2, "proxy.lan");
    QTest::keyClicks(Form().Edit4, "ana");
    QTest::keyClicks(Form().Edit5, "s3cr3t");
    EXPECT_EQ(Form().Edit5->displayText(), "******");
    Close();
    EXPECT_EQ(SettingsFile(), "proxy.lan\r\n80\r\nana\r\ncbChecked\r\nEdit7\r\n");

    OpenSettings();
    EXPECT_EQ(Form().Edit5->text(), "s3cr3t");
    EXPECT_EQ(Form().Edit4->text(), "ana");
    Close();
    EXPECT_EQ(SettingsFile().find("s3cr3t"), std::string::npos);

    // A new process: everything comes back from the file but the password.
    windows.reset();
    Start();
    OpenSettings();
    EXPECT_EQ(Form().Edit2->text(), "proxy.lan");
    EXPECT_TRUE(Form().CheckBox1->isChecked());
    EXPECT_TRUE(Form().Edit5->text().isEmpty());
}

TEST_F(SettingsWindow, FirstHideWithoutAFileWritesTheInitialTextsAndOnlyARealHideSaves) {
    Start();
    // Hiding a window that was never shown is no hide.
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_FALSE(SettingsFileExists());

    OpenSettings();
    Close();
    EXPECT_EQ(SettingsFile(), "\r\n80\r\n\r\ncbUnchecked\r\nEdit7\r\n");
    EXPECT_FALSE(Form().isVisible());

    // A second hide of the hidden window writes nothing.
    installation.Write("Recibi/proxy.con", "changed by hand\r\n");
    Form().hide();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    EXPECT_EQ(SettingsFile(), "changed by hand\r\n");

    // Switching views hides it and saves; the hand-made file emptied what
    // it lacks.
    OpenSettings();
    Form().Edit2->setText("switched");
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(SettingsFile(), "switched\r\n\r\n\r\ncbUnchecked\r\n\r\n");
}

TEST_F(SettingsWindow, ProgramEndWithTheWindowOpenSavesLikeAHide) {
    Start();
    OpenSettings();
    Form().Edit2->setText("typed.before.exit");
    windows.reset();
    EXPECT_EQ(SettingsFile(), "typed.before.exit\r\n80\r\n\r\ncbUnchecked\r\nEdit7\r\n");

    installation.Write("Recibi/proxy.con", "kept\r\n");
    Start();
    windows.reset();
    EXPECT_EQ(SettingsFile(), "kept\r\n");
}

TEST_F(SettingsWindow, AfterTheScriptRewroteTheFileNothingIsSavedAndTheFileWinsAtTheNextShow) {
    const std::string from_script = "old.proxy\r\n80\r\n\r\ncbUnchecked\r\nhttp://notify.example/n\r\n";
    installation.Write("Recibi/proxy.con", "old.proxy\r\n80\r\n\r\ncbUnchecked\r\nEdit7\r\n");
    Start();
    OpenSettings();
    // What an update script's "&CONTAD&" leaves behind during a run.
    installation.Write("Recibi/proxy.con", from_script);
    veltod::TheApplyState().ProxyFileRewritten = "ACTUALIZADO";
    Form().Edit2->setText("new.proxy");
    Close();
    EXPECT_EQ(SettingsFile(), from_script);

    OpenSettings();
    EXPECT_EQ(Form().Edit2->text(), "old.proxy");
    EXPECT_EQ(Form().Edit7->text(), "http://notify.example/n");
    Close();
    EXPECT_EQ(SettingsFile(), from_script);
}

TEST_F(SettingsWindow, TypingSurvivesAnotherActivationWhileTheWindowStaysShown) {
    installation.Write("Recibi/proxy.con", "from.file\r\n80\r\n\r\ncbChecked\r\nEdit7\r\n");
    Start();
    OpenSettings();
    Form().Edit2->setText("typed.proxy");
    // The settings button again, and the user coming back from another window.
    OpenSettings();
    windows->FormNetFiles->ShowWindow();
    Form().ShowWindow();
    EXPECT_EQ(Form().Edit2->text(), "typed.proxy");
    Close();
    EXPECT_EQ(SettingsFile(), "typed.proxy\r\n80\r\n\r\ncbChecked\r\nEdit7\r\n");
}

TEST_F(SettingsWindow, SaveFailureIsShownAndTheViewSwitchStillHappens) {
    Start();
    OpenSettings();
    std::filesystem::remove_all(installation.Root() / "Recibi");
    seams.dialogs.shown.clear();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(Errors(), std::vector<std::string>{"File not found"});
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(veltod::State().CurrentView, "FORMDAYNEWS");
}

TEST_F(SettingsWindow, LinksOpenTheVendorsAddressesAndCloseEndsTheConnection) {
    Start();
    OpenSettings();
    QTest::mouseClick(Form().Label5, Qt::LeftButton);
    QTest::mouseClick(Form().Label6, Qt::LeftButton);
    EXPECT_EQ(seams.shell.opened,
              (std::vector<std::string>{veltod::kVendorWebAddress, std::string("mailto:") + veltod::kVendorMailAddress}));
    EXPECT_EQ(Form().Label5->text().toStdString(), veltod::kVendorWebAddress);
    EXPECT_EQ(Form().Label6->text().toStdString(), veltod::kVendorMailAddress);

    // A right click is no click.
    QTest::mouseClick(Form().Label5, Qt::RightButton);
    EXPECT_EQ(seams.shell.opened.size(), 2u);

    bool window_hidden_first = false;
    Form().CloseConnection = [&] { window_hidden_first = !Form().isVisible(); };
    Form().Viewer->show();
    Close();
    EXPECT_TRUE(window_hidden_first);
    EXPECT_FALSE(Form().Viewer->isVisibleTo(&Form()));
}

}  // namespace
