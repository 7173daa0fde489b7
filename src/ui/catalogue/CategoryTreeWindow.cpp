#include "ui/catalogue/CategoryTreeWindow.h"

#include <QLabel>

#include "ui/catalogue/CategoryTreeView.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/catalogue/ListFrame.h"
#include "ui/skin/ReportedError.h"
#include "ui/view/WindowSet.h"

namespace veltod {

TCategoryTreeWindow::TCategoryTreeWindow(const QString& name, const QString& title, const QString& file_list_title)
    : TSkinWindow(name, kSkinOlive, SpokenTitle(title)), file_list_title_(file_list_title) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Label1 = new QLabel(title, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    StyleListTitle(Label1);
    TreeView1 = new TCategoryTreeView(this);
    TreeView1->setAccessibleName(QStringLiteral("Categories"));
    Image6 = new TSkinCloseButton(this, QStringLiteral("Image6"), TSkinCloseButton::Kind::Close, [this] { Image6Click(); });
    Image6->LoadPicture(ResourcePicture("x0.gif"));
    move(LayoutPlace(name.toStdString().c_str()));
    LayOutListFrame(this, Image1, Label1, TreeView1, Image6);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
}

void TCategoryTreeWindow::FormActivate() {
    if (loaded_) return;
    loaded_ = true;
    TreeView1->clear();
    // Activation is an event of its own: its error is reported, and the
    // handler that showed the window goes on.
    RunReported([this] { VolcarTreeConArray(); });
}

void TCategoryTreeWindow::TreeView1Click() {
    const auto code = TreeView1->SelectedCode();
    if (!code) return;
    const ListAction action = Choose(*code);
    if (action == ListAction::Nothing) return;
    TWindowSet& windows = Windows();
    TFormTreeFiles& files = EnsureWindow(windows.FormTreeFiles);
    if (action == ListAction::Hide) {
        files.hide();
        HideAll({windows.FormShowDetails});
    }
    files.SetTitle(file_list_title_);
    if (action == ListAction::Show) {
        files.ShowWindow();
        files.Fill(ChosenEntries());
    }
}

void TCategoryTreeWindow::Image6Click() {
    TWindowSet& windows = Windows();
    HideAll({windows.FormShowDetails, windows.FormTreeFiles});
    close();
}

}  // namespace veltod
