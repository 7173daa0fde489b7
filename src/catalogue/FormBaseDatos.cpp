#include "catalogue/FormBaseDatos.h"

#include <QLabel>

#include "catalogue/CategoryTreeView.h"
#include "catalogue/FormShowDetails.h"
#include "catalogue/FormTreeFiles.h"
#include "catalogue/ListFrame.h"
#include "shell/VeltodApplication.h"
#include "shell/WindowSet.h"

namespace veltod {

TFormBaseDatos::TFormBaseDatos() : TSkinWindow(QStringLiteral("FormBaseDatos"), kSkinOlive) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Label1 = new QLabel(QStringLiteral("Historic   D a t a    B a s e"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    StyleListTitle(Label1);
    TreeView1 = new TCategoryTreeView(this);
    Image6 = new TSkinCloseButton(this, QStringLiteral("Image6"), TSkinCloseButton::Kind::Close, [this] { Image6Click(); });
    Image6->LoadPicture(ResourcePicture("x0.gif"));
    move(LayoutPlace("FormBaseDatos"));
    LayOutListFrame(this, Image1, Label1, TreeView1, Image6);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
}

void TFormBaseDatos::FormActivate() {
    if (loaded_) return;
    loaded_ = true;
    // Activation is an event of its own: its error is reported, and the
    // handler that showed the window goes on.
    try {
        VolcarTreeConArray();
    } catch (...) {
        ReportCurrentException();
    }
}

void TFormBaseDatos::VolcarTreeConArray() {
    // The nodes come sorted by name, so the tree needs no sorting of its own.
    if (auto tree = history_.Build(WindowMode)) TreeView1->Fill(*tree);
}

void TFormBaseDatos::TreeView1Click() {
    const auto code = TreeView1->SelectedCode();
    if (!code) return;
    const ListAction action = history_.Choose(*code, WindowMode);
    if (action == ListAction::Nothing) return;
    TWindowSet& windows = Windows();
    if (action == ListAction::Hide) {
        windows.FormTreeFiles->hide();
        windows.FormShowDetails->hide();
    }
    windows.FormTreeFiles->SetTitle(QStringLiteral("D a t a    B a s e"));
    if (action == ListAction::Show) {
        windows.FormTreeFiles->ShowWindow();
        windows.FormTreeFiles->Fill(history_.History());
    }
}

void TFormBaseDatos::Image6Click() {
    TWindowSet& windows = Windows();
    windows.FormShowDetails->hide();
    windows.FormTreeFiles->hide();
    close();
}

}  // namespace veltod
