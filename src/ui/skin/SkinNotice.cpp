#include "ui/skin/SkinNotice.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/platform/AnsiText.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {
namespace {

// Wide enough for a week of days on a few lines, narrow enough for 640x480.
constexpr int kTextWidth = 360;

}  // namespace

TSkinNotice::TSkinNotice(QWidget* owner, const QString& title, const QString& text)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SkinNotice"));
    setWindowTitle(title);
    setModal(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kSkinOlive);
    colours.setColor(QPalette::WindowText, kSkinYellow);
    setPalette(colours);
    setAutoFillBackground(true);

    Title = new QLabel(title, this);
    Title->setObjectName(QStringLiteral("Title"));
    QFont heading(QStringLiteral("Arial Black"));
    heading.setPixelSize(14);
    heading.setBold(true);
    Title->setFont(heading);

    // Day and entry counts today, but whatever is passed is shown as it is.
    Text = new QLabel(text, this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setWordWrap(true);
    Text->setFixedWidth(kTextWidth);
    for (QLabel* label : {Title, Text}) {
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    }

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    // A button of the plate, not of the desktop theme.
    OkButton->setStyleSheet(QStringLiteral("QPushButton { background: rgb(102,102,0); color: rgb(204,204,0);"
                                           " border: 1px solid rgb(204,204,0); padding: 3px 24px; }"
                                           "QPushButton:focus { border: 2px solid rgb(255,255,153); }"
                                           "QPushButton:pressed { background: rgb(153,153,0); }"));
    OkButton->setDefault(true);
    OkButton->setAutoDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(Title);
    layout->addWidget(Text);
    layout->addWidget(OkButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSkinNotice::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Borderless: a yellow rim sets the plate off from the windows behind it.
    QPainter painter(this);
    painter.setPen(kSkinYellow);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TSkinNotice::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Just below its owner, which stays in sight, or in the middle of the
    // screen; never off the work area.
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 800, 600);
    QRect place(QPoint(0, 0), size());
    place.moveCenter(area.center());
    if (parentWidget() && parentWidget()->isVisible()) {
        const QRect owner = parentWidget()->frameGeometry();
        place.moveCenter(QPoint(owner.center().x(), 0));
        place.moveTop(owner.bottom() + 4);
    }
    place.moveLeft(std::clamp(place.left(), area.left(), std::max(area.left(), area.right() - place.width() + 1)));
    place.moveTop(std::clamp(place.top(), area.top(), std::max(area.top(), area.bottom() - place.height() + 1)));
    move(place.topLeft());
    OkButton->setFocus();
}

void TSkinDialogs::Notice(const std::string& title, const std::string& text) {
    TSkinNotice notice(MessageOwner(), FromAnsi(title), FromAnsi(text));
    notice.exec();
}

void InstallSkinDialogs() {
    static TSkinDialogs dialogs;
    CurrentSeams().dialogs = &dialogs;
}

}  // namespace veltod
