// Every window by keyboard and through the accessibility interfaces a screen
// reader reads: names, roles, presses, keys, and the focus mark.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "core/records/record_file.h"
#include "support/window_set_fixture.h"
#include "ui/catalogue/CategoryTreeView.h"
#include "ui/catalogue/FormBaseDatos.h"
#include "ui/catalogue/FormBusqueda.h"
#include "ui/catalogue/FormCategorias.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/skin/FocusMark.h"
#include "ui/skin/Pressable.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/sponsors/FormRemember.h"
#include "ui/update/TransmitForm.h"

namespace {

using veltod::State;

std::vector<std::string> Entry(int i) {
    // Built whole: assigning the short fields one by one trips GCC 12's
    // false -Wrestrict in optimised builds.
    const std::string n = std::to_string(i);
    return {"Program " + n, "http://127.0.0.1/program" + n + ".zip", "", "", "", "", "", "", "1", "1", "", "", "",
            "Note " + n};
}

QString Name(QObject* object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); }
QAccessible::Role Role(QObject* object) { return QAccessible::queryAccessibleInterface(object)->role(); }

class KeyboardAccess : public veltod::test::WindowSetTest {
protected:
    // Today's list of 100 entries, "Program 0" first: three pages.
    void WriteToday() {
        std::vector<std::vector<std::string>> oldest_first;
        for (int i = 99; i >= 0; --i) oldest_first.push_back(Entry(i));
        veltod::WriteRecordFile("../Resources/today.1cat", 14, oldest_first);
        installation.Write("Resources/actualizado.fij", "1\r\n20261205\r\n");
    }
    std::vector<QWidget*> AllWindows() {
        veltod::TWindowSet& w = *windows;
        return {w.FormNetFiles,    w.FormRemember,  w.TransmitForm, w.FormMensaje,  w.FormDayNews, w.FormCategorias,
                w.FormShowDetails, w.FormTreeFiles, w.FormBaseDatos, w.FormBusqueda, w.FormBanner1, w.FormBanner2};
    }
    QLabel* Row(int k) { return windows->FormDayNews->Labels[static_cast<size_t>(k - 1)]; }
    // A key to whatever control of the window has its keyboard.
    void Key(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
};

TEST_F(KeyboardAccess, EveryActionableControlAndWindowHasANameAndARole) {
    WriteToday();
    Start();
    Main().Image1Click();
    int checked = 0;
    for (QWidget* window : AllWindows()) {
        EXPECT_FALSE(Name(window).isEmpty()) << window->objectName().toStdString();
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const bool actionable = veltod::IsPressable(control) || qobject_cast<QAbstractButton*>(control) ||
                                    qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractItemView*>(control);
            // Never shown to anyone: the run's hidden start button and the
            // notification field.
            if (!actionable || control->objectName() == "Button1" || control->objectName() == "Edit7") continue;
            // Rows not on the page show nothing, and a tree's hidden header
            // is no control: neither is on the bus.
            if (control->isHidden() || (window == windows->FormDayNews && !control->isVisible())) continue;
            const std::string where = (window->objectName() + "/" + control->objectName()).toStdString();
            EXPECT_FALSE(Name(control).isEmpty()) << where;
            EXPECT_NE(Role(control), QAccessible::NoRole) << where;
            EXPECT_NE(Role(control), QAccessible::Client) << where;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);

    // What the controls act like, and what they say.
    struct Expected {
        QObject* control;
        QAccessible::Role role;
        const char* name;
    };
    veltod::TFormShowDetails& details = *windows->FormShowDetails;
    const Expected expected[] = {
        {Main().Image1, QAccessible::Button, "Today"},
        {Main().Image9, QAccessible::Button, "Connection settings"},
        {Main().Image6, QAccessible::Button, "Close"},
        {Main().Image7, QAccessible::Button, "Minimise"},
        {Main().Image11, QAccessible::CheckBox, "Demo filter, selected"},
        {Main().Image12, QAccessible::CheckBox, "Share filter"},
        {Row(4), QAccessible::ListItem, "Row 4: Program 3"},
        {details.Image5, QAccessible::Link, "Download"},
        {windows->FormBusqueda->Image2, QAccessible::Button, "Search"},
        {windows->FormBanner1->Image1, QAccessible::Link, "Sponsor banner"},
        {windows->TransmitForm->Label5, QAccessible::Link, "http://www.veltod.example/"},
        {windows->FormMensaje->Edit1, QAccessible::StatusBar, "Welcome !"},
        {windows->FormCategorias, QAccessible::Window, "Week News"},
        {windows->FormBaseDatos, QAccessible::Window, "Historic Data Base"},
        {windows->FormDayNews, QAccessible::Window, "News of 5 December 2026"},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(Role(e.control), e.role) << e.name;
        EXPECT_EQ(Name(e.control).toStdString(), e.name);
    }
    const int page = windows->FormDayNews->Model().PageRows();
    EXPECT_EQ(Role(Row(page)), QAccessible::ListItem);
    EXPECT_EQ(Name(Row(page)), "More news");
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(Main().Image11)->state().checked);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(Main().Image12)->state().checked);
    EXPECT_EQ(windows->FormDayNews->toolTip(), "News of 5 December 2026");
    EXPECT_EQ(Main().Image4->toolTip().toStdString(), "Search (Ctrl+F)");

    // The press action a screen reader calls is the button's click.
    QAccessibleInterface* share = QAccessible::queryAccessibleInterface(Main().Image12);
    ASSERT_TRUE(share->actionInterface());
    share->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(State().FilterMode, "2");
    EXPECT_EQ(Name(Main().Image12).toStdString(), "Share filter, selected");
    EXPECT_EQ(Name(Main().Image11).toStdString(), "Demo filter");
}

TEST_F(KeyboardAccess, TodayDownThreeTimesEnterOpensTheFourthEntryAndEscapeClosesIt) {
    WriteToday();
    Start();
    // Enter on the navigation button the keyboard starts on.
    QTest::keyClick(Main().Image1, Qt::Key_Return);
    ASSERT_TRUE(windows->FormDayNews->isVisible());
    veltod::TFormDayNews& news = *windows->FormDayNews;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&news));
    EXPECT_EQ(news.focusWidget(), Row(1));
    for (int i = 0; i < 3; ++i) Key(&news, Qt::Key_Down);
    EXPECT_EQ(news.focusWidget(), Row(4));
    // The row lit up and its note shows, as under the mouse; the focus mark
    // stands around it.
    EXPECT_EQ(news.Model().Row(4).state, "alto");
    EXPECT_EQ(windows->FormMensaje->Edit1->text(), "Note 3");
    EXPECT_EQ(news.FocusMark()->Marked(), Row(4));
    EXPECT_TRUE(news.FocusMark()->isVisible());
    EXPECT_EQ(news.FocusMark()->geometry(), Row(4)->geometry());
    // The rows are one Tab stop, the first row, both ways.
    for (const Qt::Key tab : {Qt::Key_Tab, Qt::Key_Backtab}) {
        Key(&news, tab);
        EXPECT_EQ(news.focusWidget(), Row(1));
        EXPECT_EQ(news.Model().Row(1).state, "alto");
        Key(&news, Qt::Key_Down);
        Key(&news, Qt::Key_Down);
        Key(&news, Qt::Key_Down);
    }
    EXPECT_EQ(news.focusWidget(), Row(4));

    Key(&news, Qt::Key_Return);
    veltod::TFormShowDetails& details = *windows->FormShowDetails;
    ASSERT_TRUE(details.isVisible());
    EXPECT_EQ(details.Label6->text(), "Program 3");
    ASSERT_TRUE(QTest::qWaitForWindowActive(&details));
    QTest::keyClick(&details, Qt::Key_Escape);
    EXPECT_FALSE(details.isVisible());
    // The keyboard is back on the list, on the row it left.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&news));
    EXPECT_EQ(news.focusWidget(), Row(4));

    // Page Down pages as the more row does, End goes to the last entry.
    const int page = news.Model().PageRows();
    Key(&news, Qt::Key_PageDown);
    EXPECT_EQ(news.focusWidget(), Row(2));
    EXPECT_EQ(Name(Row(2)), QStringLiteral("Row %1: Program %2").arg(page).arg(page - 1));
    Key(&news, Qt::Key_End);
    EXPECT_EQ(Name(news.focusWidget()).toStdString(), "Row 100: Program 99");
    Key(&news, Qt::Key_Home);
    EXPECT_EQ(Name(news.focusWidget()).toStdString(), "Row 1: Program 0");
}

TEST_F(KeyboardAccess, ShortcutsTabOrderAndEscapeInTheOtherWindows) {
    WriteToday();
    Start();
    // Ctrl+F: the search bar, its field ready for typing.
    Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(windows->FormBusqueda->isVisible());
    EXPECT_EQ(windows->FormBusqueda->focusWidget(), windows->FormBusqueda->Edit1);

    // Tab walks the main window in reading order and the keyboard's focus
    // lights a navigation button as the mouse would.
    std::vector<QWidget*> walked;
    QWidget* at = Main().Image1;
    for (int i = 0; i < 11; ++i, at = at->nextInFocusChain()) {
        while (at->focusPolicy() == Qt::NoFocus) at = at->nextInFocusChain();
        walked.push_back(at);
    }
    const std::vector<QWidget*> order{Main().Image1, Main().Image2, Main().Image3,  Main().Image4,
                                      Main().Image8, Main().Image9, Main().Image7,  Main().Image6,
                                      Main().Image11, Main().Image12, Main().Image13};
    EXPECT_EQ(walked, order);
    Main().Image3->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Main().Image3->SkinState(), "ARRIBA");
    Main().Image4->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Main().Image3->SkinState(), "ABAJO");
    EXPECT_EQ(Main().Image4->SkinState(), "ARRIBA");
    EXPECT_EQ(Main().FocusMark()->Marked(), Main().Image4);
    // A click gives no mark: the mouse sees the windows as before.
    Main().Image2->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(Main().FocusMark()->isVisible());

    // Escape closes the links book.
    Main().LinksMemory1Click();
    ASSERT_TRUE(windows->FormRemember->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(windows->FormRemember));
    QTest::keyClick(windows->FormRemember, Qt::Key_Escape);
    EXPECT_FALSE(windows->FormRemember->isVisible());
}

}  // namespace
