#include "ui/update/TransmitForm.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHideEvent>
#include <QMouseEvent>
#include <QProxyStyle>

#include "core/platform/seams.h"
#include "core/skin/screen_layout.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"
#include "ui/view/WindowSet.h"

namespace veltod {
namespace {

const QColor kOrange(0xFF, 0x80, 0x00);
const QColor kLightYellow(0xFF, 0xFF, 0x80);

// A label that reports a left click (press and release on it).
class TLinkLabel : public QLabel {
public:
    TLinkLabel(QWidget* parent, const QString& name, std::function<void()> click)
        : QLabel(parent), click_(std::move(click)) {
        setObjectName(name);
        setCursor(Qt::PointingHandCursor);
        setTextFormat(Qt::PlainText);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        pressed_ = event->button() == Qt::LeftButton;
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        pressed_ = false;
        event->accept();
        if (click) click_();
    }

public:
    void Click() const { click_(); }

private:
    std::function<void()> click_;
    bool pressed_ = false;
};

// Shows each character of a password as "*", whatever the style's own
// password character is.
class TStarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* result) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, result);
    }
};

// The colour for the enabled states only, so a disabled control still looks
// disabled.
void SetEnabledColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Active, role, colour);
    colours.setColor(QPalette::Inactive, role, colour);
    widget->setPalette(colours);
}

QLabel* YellowLabel(QWidget* parent, const QString& name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    SetEnabledColour(label, QPalette::WindowText, kSkinYellow);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A label whose text would run under the field beside it is set a pixel
// smaller at a time until a small gap stays between them.
void KeepClearOf(QLabel* label, const QWidget* field) {
    constexpr int kGap = 4;
    const int room = field->x() - kGap - label->x();
    QFont font = label->font();
    if (font.pixelSize() <= 0) font.setPixelSize(QFontInfo(font).pixelSize());
    while (QFontMetrics(font).horizontalAdvance(label->text()) > room && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
    label->adjustSize();
}

QLineEdit* Field(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(left, top, width, height);
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Base, kSkinOlive);
    edit->setPalette(colours);
    SetEnabledColour(edit, QPalette::Text, kLightYellow);
    return edit;
}

QLineEdit* StatusLine(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    QLineEdit* edit = Field(parent, name, left, top, width, height);
    edit->setReadOnly(true);
    edit->setFrame(false);
    SetEnabledColour(edit, QPalette::Text, kOrange);
    QFont bold = edit->font();
    bold.setBold(true);
    edit->setFont(bold);
    return edit;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

TTransmitForm::TTransmitForm()
    : TSkinWindow(QStringLiteral("TransmitForm"), kSkinOlive, QStringLiteral("Update and connection settings")) {
    setFixedSize(407, 103);
    // "MS Sans Serif" is rarely installed here. Its stand-in must be as
    // narrow, or the labels run under the fields beside them: Arial's
    // metric twin first, then whatever sans-serif face fontconfig offers.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);

    Button1 = Button(this, QStringLiteral("Button1"), QStringLiteral("Button1"));
    Button1->setVisible(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });

    Edit1 = StatusLine(this, QStringLiteral("Edit1"), 8, 5, 161, 17);

    Viewer = new THypertextViewer(this);
    Viewer->setObjectName(QStringLiteral("Viewer"));
    Viewer->setGeometry(520, 0, 400, 103);
    Viewer->setVisible(false);

    Edit6 = StatusLine(this, QStringLiteral("Edit6"), 296, 5, 105, 21);

    CheckBox1 = new QCheckBox(QStringLiteral("Use Proxy"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 24, 73, 17);
    SetEnabledColour(CheckBox1, QPalette::WindowText, kSkinYellow);
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });

    Label1 = YellowLabel(this, QStringLiteral("Label1"), QStringLiteral("Proxy Server:"), 88, 25);
    Edit2 = Field(this, QStringLiteral("Edit2"), 152, 24, 121, 21);
    Label2 = YellowLabel(this, QStringLiteral("Label2"), QStringLiteral("Proxy Port:"), 88, 48);
    Edit3 = Field(this, QStringLiteral("Edit3"), 152, 48, 33, 21);
    Edit3->setText(QStringLiteral("80"));
    Label3 = YellowLabel(this, QStringLiteral("Label3"), QStringLiteral("Proxy Username"), 192, 48);
    Edit4 = Field(this, QStringLiteral("Edit4"), 280, 48, 121, 21);
    Label4 = YellowLabel(this, QStringLiteral("Label4"), QStringLiteral("Proxy Password"), 192, 72);
    Edit5 = Field(this, QStringLiteral("Edit5"), 280, 72, 121, 21);
    Edit5->setEchoMode(QLineEdit::Password);
    for (auto [label, field] : {std::pair{Label1, Edit2}, std::pair{Label2, Edit3}, std::pair{Label3, Edit4},
                                std::pair{Label4, Edit5}})
        KeepClearOf(label, field);
    auto* star_style = new TStarPasswordStyle;
    star_style->setParent(Edit5);
    Edit5->setStyle(star_style);

    Button2 = Button(this, QStringLiteral("Button2"), QStringLiteral("Close"));
    Button2->setGeometry(8, 43, 41, 25);
    SetEnabledColour(Button2, QPalette::ButtonText, kSkinYellow);
    // The yellow caption on the theme's pale button face could not be read:
    // the face is the skin's olive.
    SetEnabledColour(Button2, QPalette::Button, kSkinOlive);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    Label5 = new TLinkLabel(this, QStringLiteral("Label5"), [this] { Label5Click(); });
    Label5->setText(QString::fromLatin1(kVendorWebAddress));
    Label6 = new TLinkLabel(this, QStringLiteral("Label6"), [this] { Label6Click(); });
    Label6->setText(QString::fromLatin1(kVendorMailAddress));
    for (auto [label, top] : {std::pair{Label5, 72}, std::pair{Label6, 88}}) {
        SetEnabledColour(label, QPalette::WindowText, kSkinYellow);
        label->move(8, top);
        label->adjustSize();
    }

    for (auto [label, address] : {std::pair{Label5, QString::fromLatin1(kVendorWebAddress)},
                                  std::pair{Label6, QString::fromLatin1(kVendorMailAddress)}}) {
        auto* link = static_cast<TLinkLabel*>(label);
        MakePressable(link, {.role = QAccessible::Link, .name = address, .press = [link] { link->Click(); }});
    }
    // The fields' labels are separate controls: the bus gets the names here.
    const std::pair<QWidget*, const char*> names[] = {
        {Edit1, "Update status"},  {Edit6, "Download progress"}, {Edit2, "Proxy server"},
        {Edit3, "Proxy port"},     {Edit4, "Proxy user name"},   {Edit5, "Proxy password"}};
    for (const auto& [control, name] : names) control->setAccessibleName(QString::fromLatin1(name));

    Edit7 = new QLineEdit(QStringLiteral("Edit7"), this);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit7->setVisible(false);

    const QList<QWidget*> tab_order{Button1, Edit1, Viewer, Edit2, Edit3, Button2,
                                    Edit4,   Edit5, CheckBox1, Edit6, Edit7};
    for (qsizetype i = 1; i < tab_order.size(); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);

    // "Use Proxy" starts unticked, so the proxy fields start disabled.
    EnableProxyControls(false);
}

TTransmitForm::~TTransmitForm() {
    if (!isVisible()) return;
    RunReported([this] { FormHide(); });
}

void TTransmitForm::HideViewer() {
    if (Viewer) Viewer->hide();
}

void TTransmitForm::Button2Click() {
    HideViewer();
    hide();
    if (CloseConnection) CloseConnection();
}

void TTransmitForm::CheckBox1Click() { EnableProxyControls(CheckBox1->isChecked()); }

void TTransmitForm::EnableProxyControls(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit4),
                             static_cast<QWidget*>(Edit5), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                             static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4)})
        control->setEnabled(enabled);
}

void TTransmitForm::Label5Click() { TheShell().Open(kVendorWebAddress); }

void TTransmitForm::Label6Click() { TheShell().Open(std::string("mailto:") + kVendorMailAddress); }

void TTransmitForm::FormActivate() {
    const std::string key = CurrentLayoutKey();
    // Counted from the work area's corner, as the layout is.
    const ScreenRect work = TheScreen().Desktop();
    const SettingsWindowPlace place =
        PlaceSettingsWindow(LayoutLeft("TransmitForm", key) - work.left, LayoutTop("TransmitForm", key) - work.top,
                            width(), Windows().MainWindow()->height());
    move(work.left + place.left, work.top + place.top);
    if (!settings_loaded_) LoadSettings();
}

void TTransmitForm::LoadSettings() {
    const std::optional<ConnectionSettings> settings = ReadConnectionSettings();
    settings_loaded_ = true;
    if (!settings) return;
    Edit2->setText(FromAnsi(settings->server));
    Edit3->setText(FromAnsi(settings->port));
    Edit4->setText(FromAnsi(settings->user));
    if (settings->proxy_ticked != ProxyTick::LeaveAsIs) {
        CheckBox1->setChecked(settings->proxy_ticked == ProxyTick::Ticked);
        CheckBox1Click();
    }
    Edit7->setText(FromAnsi(settings->notification));
}

ConnectionSettings TTransmitForm::CurrentSettings() const {
    return {ToAnsi(Edit2->text()), ToAnsi(Edit3->text()), ToAnsi(Edit4->text()),
            CheckBox1->isChecked() ? ProxyTick::Ticked : ProxyTick::Unticked, ToAnsi(Edit7->text())};
}

void TTransmitForm::FormHide() { SaveConnectionSettings(CurrentSettings()); }

void TTransmitForm::hideEvent(QHideEvent* event) {
    TSkinWindow::hideEvent(event);
    // A minimised window is not hidden; only the program's own hide counts.
    if (event->spontaneous()) return;
    settings_loaded_ = false;
    // Reported here: the hide itself must complete whatever the caller does
    // next (switch views, end the run).
    RunReported([this] { FormHide(); });
}

}  // namespace veltod
