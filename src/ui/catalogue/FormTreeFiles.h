#pragma once
#include <QString>

#include "core/catalogue/category_browsing.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

class QLabel;
class QListWidget;

namespace veltod {

// The names of the entries of one category, newest first, as a tree window
// chose them; a name opens the entry in the details window to its left.
class TFormTreeFiles : public TSkinWindow {
    Q_OBJECT
public:
    TFormTreeFiles();

    // Shares the tree's table and lists the Name of every row.
    void Fill(SharedTable table);
    void SetTitle(const QString& title);

    // Opens the details of the selected row, if it is a row of the table.
    void ListBox1Click();

    TSkinImage* Image1;
    QLabel* Label1;
    QListWidget* ListBox1;
    TSkinCloseButton* Image6;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Image6Click();

    FileListModel list_;
    bool opened_since_press_ = false;
};

}  // namespace veltod
