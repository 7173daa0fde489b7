#include "platform/QtSeams.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include "platform/AnsiText.h"
#include "platform/errors.h"
#include "platform/web_address.h"

namespace veltod {
namespace {

const QString kTitle = QStringLiteral("VeltoD");

ScreenRect ToRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

}  // namespace

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
    QMessageBox::information(nullptr, kTitle, FromAnsi(text));
}

void QtDialogs::TitledMessage(const std::string& title, const std::string& text) {
    QMessageBox::information(nullptr, FromAnsi(title), FromAnsi(text));
}

bool QtDialogs::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), FromAnsi(text));
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ErrorBox(const std::string& text) {
    QMessageBox::critical(nullptr, kTitle, FromAnsi(text));
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
