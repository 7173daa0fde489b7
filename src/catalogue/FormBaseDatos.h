#pragma once
#include <string>

#include "catalogue/category_browsing.h"
#include "shell/SkinImage.h"
#include "shell/SkinWindow.h"

class QLabel;

namespace veltod {

class TCategoryTreeView;

// The historic database: a tree of the categories that have received entries
// of its licence kind, as the last computed category marks say; a category
// opens its whole history in the file list.
class TFormBaseDatos : public TSkinWindow {
    Q_OBJECT
public:
    TFormBaseDatos();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";

    // Fills TreeView1 from the marks of WindowMode.
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
    HistoricBrowser history_;
};

}  // namespace veltod
