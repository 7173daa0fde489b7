#include "ui/sponsors/BannerWindow.h"

#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/skin/screen_layout.h"
#include "core/sponsors/links_memory.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"

namespace veltod {

TBannerWindow::TBannerWindow(const QString& name, std::string list_file)
    : TSkinWindow(name, QColor(), QStringLiteral("Sponsor banner")), rotation_(*this, std::move(list_file)) {
    setGeometry(kBannerOffScreenLeft, 0, 351, 60);
    // Coming up beside the main window, a banner must not take its keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);

    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QStringLiteral("Please Visit Our Sponsors. Is the only way to bring you this service."));
    Image1->OnClick = [this] { Image1Click(); };
    MakePressable(Image1, {.role = QAccessible::Link, .name = QStringLiteral("Sponsor banner"), .press = Image1->OnClick});

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setToolTipsVisible(true);
    RememberLink1 = PopupMenu1->addAction(QStringLiteral("Remember Link"));
    RememberLink1->setObjectName(QStringLiteral("RememberLink1"));
    RememberLink1->setToolTip(QStringLiteral("When you are conected, access this link."));
    RememberLink1->setStatusTip(RememberLink1->toolTip());
    PopupMenu1->setDefaultAction(RememberLink1);
    connect(RememberLink1, &QAction::triggered, this, [this] { RunReported([this] { RememberLink1Click(); }); });
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Image1->mapToGlobal(at)); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kBannerTimeUnit);
    connect(Timer1, &QTimer::timeout, this, [this] { RunReported([this] { TimerEvento(); }); });
    Timer1->start();
}

std::string TBannerWindow::Resolution() const {
    return CurrentLayoutKey();
}

void TBannerWindow::FormActivate() {
    RunReported([this] { rotation_.FirstActivation(); });
}

void TBannerWindow::TimerEvento() { rotation_.Tick(); }

void TBannerWindow::Image1Click() { rotation_.OpenCurrent(); }

void TBannerWindow::RememberLink1Click() { rotation_.RememberCurrent(kLinksMemoryFile); }

void TBannerWindow::MoveOffScreen() { move(kBannerOffScreenLeft, y()); }

void TBannerWindow::SetTimerInterval(int32_t milliseconds) { Timer1->setInterval(milliseconds); }

void TBannerWindow::ShowPicture(const std::string& path) {
    Image1->LoadPicture(path);
    resize(Image1->size());
}

}  // namespace veltod
