#include "ui/sponsors/FormMensaje.h"

#include <algorithm>

#include "core/platform/seams.h"
#include "core/skin/screen_layout.h"
#include "core/sponsors/message_place.h"
#include "ui/skin/ElidedText.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/SkinFonts.h"
#include "ui/view/WindowSet.h"

namespace veltod {

TFormMensaje::TFormMensaje() : TSkinWindow(QStringLiteral("FormMensaje"), kSkinOlive, QStringLiteral("Message")) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Edit1 = new QLabel(QStringLiteral("Welcome !"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setTextFormat(Qt::PlainText);
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setAttribute(Qt::WA_TranslucentBackground);
    Edit1->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette colours = Edit1->palette();
    colours.setColor(QPalette::WindowText, kSkinYellow);
    Edit1->setPalette(colours);
    Edit1->setFont(SkinMessageFont());
    Edit1->setFixedWidth(300);
    // A status line: a screen reader tells its new text when it changes,
    // without the user going there.
    MakeShown(Edit1, QAccessible::StatusBar, message_);
    // It takes no input: showing it leaves the keyboard on the day news.
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TFormMensaje::SetMessage(const QString& text) {
    message_ = text;
    SetElidedText(Edit1, text);
    // The whole note, once per change: a row crossed again says nothing new.
    RenamePressable(Edit1, text);
    // The note takes no mouse input; the window shows the whole text.
    setToolTip(Edit1->toolTip());
}

void TFormMensaje::FormActivate() {
    // A window that cannot lay itself out is not left half drawn on the
    // screen; until an activation succeeds the others treat it as absent.
    try {
        LayOut();
        unusable_ = false;
    } catch (...) {
        unusable_ = true;
        hide();
        throw;
    }
}

std::string TFormMensaje::PlatePicture() { return ResourcePicture("mensaje.gif"); }

void TFormMensaje::LayOut() {
    Image1->LoadPicture(PlatePicture());
    Image1->move(0, 0);
    resize(Image1->size());
    const std::string key = CurrentLayoutKey();
    const QWidget* main_window = Windows().MainWindow();
    // The placing rule counts from the work area's corner, which is not the
    // origin on a monitor left of the primary one or beside a panel.
    const ScreenRect work = TheScreen().Desktop();
    const WindowPlace place = MessageWindowPlace(static_cast<int16_t>(LayoutLeft("FormMensaje", key) - work.left),
                                                 static_cast<int16_t>(LayoutTop("FormMensaje", key) - work.top),
                                                 main_window->width(), main_window->height(), width());
    move(work.left + place.left, work.top + place.top);
    QFont font = Edit1->font();
    font.setPixelSize(11);
    Edit1->setFont(font);
    Edit1->move(8, 6);
    Edit1->setFixedHeight(Edit1->sizeHint().height());
    // The note fits the plate: its start shows, its end is elided.
    Edit1->setFixedWidth(std::max(0, width() - 16));
    SetMessage(message_);
}

}  // namespace veltod
