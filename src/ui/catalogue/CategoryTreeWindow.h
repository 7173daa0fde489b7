#pragma once
#include <QString>
#include <string>

#include "core/catalogue/category_browsing.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

class QLabel;

namespace veltod {

class TCategoryTreeView;

// What the week news and historic database windows share: the list window
// frame with a category tree, loading at the first activation, and a click
// that opens the chosen entries in the file list.
class TCategoryTreeWindow : public TSkinWindow {
    Q_OBJECT
public:
    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";

    // Fills TreeView1.
    virtual void VolcarTreeConArray() = 0;
    void TreeView1Click();

    TSkinImage* Image1;
    QLabel* Label1;
    TCategoryTreeView* TreeView1;
    TSkinCloseButton* Image6;

protected:
    TCategoryTreeWindow(const QString& name, const QString& title, const QString& file_list_title);
    void FormActivate() override;

    // What a click on the category with this code does to the file list.
    virtual ListAction Choose(int32_t code) = 0;
    // The entries the last Choose picked.
    virtual const SharedTable& ChosenEntries() const = 0;

private:
    void Image6Click();

    QString file_list_title_;
    bool loaded_ = false;
};

}  // namespace veltod
