#include "platform/QtSeams.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include "platform/AnsiText.h"

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
    const QString text = FromAnsi(address);
    QUrl url(text, QUrl::TolerantMode);
    // A plain path (no scheme, or a one-letter drive-like scheme) is a file.
    if (url.scheme().size() <= 1) url = QUrl::fromLocalFile(QDir::current().absoluteFilePath(text));
    QDesktopServices::openUrl(url);
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
