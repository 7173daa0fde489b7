#include "ui/platform/QtSeams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <cstdio>

#include "core/platform/errors.h"
#include "core/platform/web_address.h"
#include "ui/platform/AnsiText.h"

namespace veltod {
namespace {

const QString kTitle = QStringLiteral("VeltoD");

ScreenRect ToRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

void ShowBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, MessageOwner());
    // Messages quote names and addresses from files and servers: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

// A box with no owner can open behind the program's borderless windows and
// leave it looking frozen; the box stays above its owner.
namespace {

QPointer<QWidget>& LastInputWindow() {
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

void NoteInputWindow(QWidget* window) {
    // A pop-up menu acts for the window it was opened from.
    if (window->windowType() != Qt::Popup && window->windowType() != Qt::ToolTip) LastInputWindow() = window;
}

QWidget* MessageOwner() {
    if (QWidget* pressed = LastInputWindow(); pressed && pressed->isVisible() && !pressed->isMinimized()) return pressed;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("FormNetFiles") && window->isVisible()) return window;
    return nullptr;
}

void QtScreen::Follow(const QWidget* window) { followed_ = window; }

const QScreen* QtScreen::Current() const {
    // Geometry is in logical pixels, so a scaled screen lays out like its
    // logical size.
    if (followed_ && followed_->screen()) return followed_->screen();
    return QGuiApplication::primaryScreen();
}

ScreenRect QtScreen::Size() const {
    const QScreen* screen = Current();
    return screen ? ToRect(screen->geometry()) : ScreenRect{0, 0, 800, 600};
}

ScreenRect QtScreen::Desktop() const {
    const QScreen* screen = Current();
    return screen ? ToRect(screen->availableGeometry()) : ScreenRect{0, 0, 800, 600};
}

void QtDialogs::Message(const std::string& text) {
    ShowBox(QMessageBox::Information, kTitle, FromAnsi(text));
}

void QtDialogs::TitledMessage(const std::string& title, const std::string& text) {
    ShowBox(QMessageBox::Information, FromAnsi(title), FromAnsi(text));
}

void QtDialogs::Notice(const std::string& title, const std::string& text) { TitledMessage(title, text); }

bool QtDialogs::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), FromAnsi(text), QMessageBox::NoButton, MessageOwner());
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ErrorBox(const std::string& text) {
    // Also on the error output, for a start from a terminal or a script.
    std::fprintf(stderr, "VeltoD: %s\n", FromAnsi(text).toLocal8Bit().constData());
    std::fflush(stderr);
    ShowBox(QMessageBox::Critical, kTitle, FromAnsi(text));
}

void QtShellOpen::Open(const std::string& address) {
    const AddressToOpen checked = WebAddressToOpen(address);
    if (checked.verdict == AddressVerdict::Nothing) return;
    if (checked.verdict == AddressVerdict::Refused)
        throw Error("'" + checked.address + "' is not a web or mail address; it is not opened");
    QDesktopServices::openUrl(QUrl(FromAnsi(checked.address), QUrl::TolerantMode));
}

QtScreen& InstalledQtScreen() {
    static QtScreen screen;
    return screen;
}

void InstallQtSeams() {
    QtScreen& screen = InstalledQtScreen();
    static QtDialogs dialogs;
    static QtShellOpen shell;
    Seams& seams = CurrentSeams();
    seams.screen = &screen;
    seams.dialogs = &dialogs;
    seams.shell = &shell;
}

}  // namespace veltod
