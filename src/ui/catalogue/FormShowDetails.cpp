#include "ui/catalogue/FormShowDetails.h"

#include <QApplication>
#include <QMouseEvent>

#include "core/skin/screen_layout.h"
#include "ui/hypertext/HypertextViewer.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/ElidedText.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/SkinFonts.h"

namespace veltod {
namespace {

const QColor kLabelColour(0x66, 0x66, 0x00);

void Place(QWidget* widget, const ScreenRect& rect) {
    widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
}

}  // namespace

TDetailsLabel::TDetailsLabel(QWidget* parent, const QString& name) : QLabel(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setFont(SkinBoldFont(12));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, kLabelColour);
    setPalette(colours);
}

void TDetailsLabel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (OnMouseMove) OnMouseMove();
}

TFormShowDetails::TFormShowDetails()
    : TSkinWindow(QStringLiteral("FormShowDetails"), kSkinYellow, QStringLiteral("Entry details")) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Image2 = new TSkinImage(this, QStringLiteral("Image2"));
    Image3 = new TSkinImage(this, QStringLiteral("Image3"));
    Label1 = new TDetailsLabel(this, QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Viewer1 = new THypertextViewer(this);
    Viewer1->setObjectName(QStringLiteral("Viewer1"));
    Viewer1->setFrameShape(QFrame::NoFrame);
    Label2 = new TDetailsLabel(this, QStringLiteral("Label2"));
    Label3 = new TDetailsLabel(this, QStringLiteral("Label3"));
    Label4 = new TDetailsLabel(this, QStringLiteral("Label4"));
    Label5 = new TDetailsLabel(this, QStringLiteral("Label5"));
    Label6 = new TDetailsLabel(this, QStringLiteral("Label6"));
    Label7 = new TDetailsLabel(this, QStringLiteral("Label7"));
    Image4 = new TSkinButton(this, QStringLiteral("Image4"));
    Image5 = new TSkinButton(this, QStringLiteral("Image5"));
    Image6 = new TSkinButton(this, QStringLiteral("Image6"));
    buttons_ = {Image4, Image5, Image6};

    // FormCreate: place, pictures, then everything laid out from them.
    const std::string key = CurrentLayoutKey();
    move(LayoutLeft("FormShowDetails", key), LayoutTop("FormShowDetails", key));

    Image1->LoadPicture(ResourcePicture("fondo01-01.gif"));
    Image2->LoadPicture(ResourcePicture("fondo01-02.gif"));
    Image3->LoadPicture(ResourcePicture("fondo01-03.gif"));
    const char* const stems[3] = {"fondo01-04", "fondo01-05", "fondo01-06"};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const std::string stem = stems[i];
        TSkinButton* button = static_cast<TSkinButton*>(buttons_[i]);
        button->SetSkin(kDetailsFamily, ResourcePicture(stem + ".gif"), ResourcePicture(stem + "u.gif"));
        button->LoadPicture(button->NormalPicture());
        button->SetSkinState(kDetailsFamily.normal_state);
        button->OnMouseMove = [this, i] { HoverGroup(buttons_, i); };
    }
    Image4->OnClick = [this] { Image4Click(); };
    Image5->OnClick = [this] { Image5Click(); };
    Image6->OnClick = [this] { Image6Click(); };
    const char* const spoken[3] = {"More information", "Download", "Buy"};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        auto* button = static_cast<TSkinButton*>(buttons_[i]);
        MakePressable(button, {.role = QAccessible::Link,
                               .name = QString::fromLatin1(spoken[i]),
                               .press = button->OnClick,
                               .hover = button->OnMouseMove,
                               .leave = [button] { button->Reset(); }});
    }
    // Reading order: the description, then the buttons from left to right.
    setTabOrder(Viewer1, Image4);
    setTabOrder(Image4, Image6);
    setTabOrder(Image6, Image5);
    OnEscape([this] { CloseByKeyboard(); });

    const PictureSize pictures[7] = {{},
                                     {Image1->width(), Image1->height()},
                                     {Image2->width(), Image2->height()},
                                     {Image3->width(), Image3->height()},
                                     {Image4->width(), Image4->height()},
                                     {Image5->width(), Image5->height()},
                                     {Image6->width(), Image6->height()}};
    const DetailsLayout layout = LayOutDetails(pictures);
    TSkinImage* const images[7] = {nullptr, Image1, Image2, Image3, Image4, Image5, Image6};
    for (int i = 1; i <= 6; ++i) Place(images[i], layout.image[i]);
    TDetailsLabel* const labels[8] = {nullptr, Label1, Label2, Label3, Label4, Label5, Label6, Label7};
    for (int i = 1; i <= 7; ++i) {
        Place(labels[i], layout.label[i]);
        labels[i]->OnMouseMove = [this] { ResetButtons(); };
    }
    Place(Viewer1, layout.viewer);
    resize(layout.width, layout.height);

    Label5->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label6->setFont(SkinBoldFont(15));
    Label7->setFont(SkinBoldFont(15));
    Label7->setAlignment(Qt::AlignCenter);
    QPalette hidden = Label6->palette();
    hidden.setColor(QPalette::WindowText, kSkinYellow);
    Label6->setPalette(hidden);
    // Only a holder of the entry's name: never shown, never clicked, never
    // read out.
    Label6->hide();

    Viewer1->SetStyleSheet(DetailsStyleSheet(CurrentSystemColours()));
    Viewer1->Style(0).colour = 0x666600;
    for (TSkinImage* background : {Image1, Image2, Image3}) background->OnMouseMove = [this] { ResetButtons(); };

    SetEntryDetailsView(this);
}

TFormShowDetails::~TFormShowDetails() {
    if (CurrentEntryDetailsView() == this) SetEntryDetailsView(nullptr);
}

ScreenRect TFormShowDetails::Geometry() const {
    return {x(), y(), width(), height()};
}

void TFormShowDetails::MoveTo(int left, int top) {
    move(left, top);
}

void TFormShowDetails::ShowView() {
    if (QWidget* active = QApplication::activeWindow(); active && active != this) opener_ = active;
    ShowWindow();
}

void TFormShowDetails::ShowDetails(const EntryDetails& details) {
    const QString description = FromAnsi(details.description);
    Label1->setText(description);
    Viewer1->DeleteItems(0, Viewer1->ItemCount());
    Viewer1->AddText(details.description, 0);
    Viewer1->Format();
    // A new entry opens at its top, not where the previous one was left.
    Viewer1->ScrollTo(0);
    // One-line labels show their start and elide their end, so a long text
    // never runs into the label beside it.
    // Each strip holds a left and a right label.
    ShareStrip(Label3, FromAnsi(details.detail_b), Label2, FromAnsi(details.detail_a));
    ShareStrip(Label4, FromAnsi(details.platforms), Label5, FromAnsi(details.size));
    Label6->setText(FromAnsi(details.name));
    SetElidedText(Label7, FromAnsi(details.title));
    download_url_ = details.download_url;
    info_url_ = details.info_url;
    buy_url_ = details.buy_url;
    // The bus says where each button leads.
    Image4->setAccessibleDescription(FromAnsi(info_url_));
    Image5->setAccessibleDescription(FromAnsi(download_url_));
    Image6->setAccessibleDescription(FromAnsi(buy_url_));
    setWindowTitle(QStringLiteral("Entry details: ") + Label6->text());
    Image6->setVisible(details.buy_visible);
}

void TFormShowDetails::Image4Click() {
    TheShell().Open(info_url_);
}

void TFormShowDetails::Image5Click() {
    TheShell().Open(download_url_);
}

void TFormShowDetails::Image6Click() {
    TheShell().Open(buy_url_);
}

void TFormShowDetails::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    ResetButtons();
}

void TFormShowDetails::CloseByKeyboard() {
    hide();
    // The keyboard goes back to the list the entry was opened from.
    if (opener_ && opener_->isVisible()) {
        opener_->raise();
        opener_->activateWindow();
    }
}

void TFormShowDetails::ResetButtons() {
    ResetSkinButtons(buttons_);
}

}  // namespace veltod
