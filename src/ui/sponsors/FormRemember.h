#pragma once
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

#include "core/sponsors/links_memory.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

// The links memory book: the remembered links by title, newest on top.
class TFormRemember : public TSkinWindow {
    Q_OBJECT
public:
    TFormRemember();

    void ListBox1DblClick();
    void ListBox1KeyPress(char key);
    void Delete1Click();
    void ListClear1Click();
    void Image1Click();

    const LinksMemoryBook& Book() const { return book_; }

    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    TSkinCloseButton* Image1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* ListClear1 = nullptr;

protected:
    void FormCreate();
    void FormActivate() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The selected list position, -1 when none.
    int Selected() const;
    void FillList();
    void OpenSelected();
    void ResetCloseButton();

    LinksMemoryBook book_;
};

}  // namespace veltod
