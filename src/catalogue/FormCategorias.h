#pragma once
#include <string>

#include "catalogue/category_browsing.h"
#include "shell/SkinImage.h"
#include "shell/SkinWindow.h"

class QLabel;

namespace veltod {

class TCategoryTreeView;

// The week news by category: a tree of the categories that hold entries in
// the week list of its licence kind; a category opens its entries in the
// file list.
class TFormCategorias : public TSkinWindow {
    Q_OBJECT
public:
    TFormCategorias();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";

    // Fills TreeView1 from the category list and the week list.
    void VolcarTreeConArray();
    void TreeView1Click();

    TSkinImage* Image1;
    QLabel* Label1;
    TCategoryTreeView* TreeView1;
    TSkinCloseButton* Image6;

protected:
    void FormActivate() override;

private:
    void Image6Click();

    bool loaded_ = false;
    WeekNewsBrowser week_;
};

}  // namespace veltod
