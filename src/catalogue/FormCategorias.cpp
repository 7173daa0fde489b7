#include "catalogue/FormCategorias.h"

#include <QLabel>

#include "catalogue/CategoryTreeView.h"
#include "catalogue/FormShowDetails.h"
#include "catalogue/FormTreeFiles.h"
#include "catalogue/ListFrame.h"
#include "shell/VeltodApplication.h"
#include "shell/WindowSet.h"

namespace veltod {

TFormCategorias::TFormCategorias() : TSkinWindow(QStringLiteral("FormCategorias"), kSkinOlive) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Label1 = new QLabel(QStringLiteral("W e e k    N e w s"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    StyleListTitle(Label1);
    TreeView1 = new TCategoryTreeView(this);
    Image6 = new TSkinCloseButton(this, QStringLiteral("Image6"), TSkinCloseButton::Kind::Close, [this] { Image6Click(); });
    Image6->LoadPicture(ResourcePicture("x0.gif"));
    move(LayoutPlace("FormCategorias"));
    LayOutListFrame(this, Image1, Label1, TreeView1, Image6);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
}

void TFormCategorias::FormActivate() {
    if (loaded_) return;
    loaded_ = true;
    TreeView1->clear();
    // Activation is an event of its own: its error is reported, and the
    // handler that showed the window goes on.
    try {
        VolcarTreeConArray();
    } catch (...) {
        ReportCurrentException();
    }
}

void TFormCategorias::VolcarTreeConArray() {
    TreeView1->Fill(week_.Load(WindowMode));
}

void TFormCategorias::TreeView1Click() {
    const auto code = TreeView1->SelectedCode();
    if (!code) return;
    const ListAction action = week_.Choose(*code);
    TWindowSet& windows = Windows();
    if (action == ListAction::Hide) {
        windows.FormTreeFiles->hide();
        windows.FormShowDetails->hide();
    }
    windows.FormTreeFiles->SetTitle(QStringLiteral("W e e k    N e w s"));
    if (action == ListAction::Show) {
        windows.FormTreeFiles->ShowWindow();
        windows.FormTreeFiles->Fill(week_.Chosen());
    }
}

void TFormCategorias::Image6Click() {
    TWindowSet& windows = Windows();
    windows.FormShowDetails->hide();
    windows.FormTreeFiles->hide();
    close();
}

}  // namespace veltod
