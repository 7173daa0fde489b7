#pragma once
// The entry details window: one entry's texts, its description in the
// hypertext viewer, and three picture buttons that hand its addresses to the
// shell. Placement and texts come from catalogue/entry_details.
#include <QLabel>
#include <QPointer>
#include <array>
#include <functional>
#include <string>

#include "core/catalogue/entry_details.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

class THypertextViewer;

// A transparent text label that reports mouse moves (the details window's
// labels reset its buttons).
class TDetailsLabel : public QLabel {
    Q_OBJECT
public:
    TDetailsLabel(QWidget* parent, const QString& name);
    std::function<void()> OnMouseMove;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

class TFormShowDetails : public TSkinWindow, public EntryDetailsView {
    Q_OBJECT
public:
    TFormShowDetails();
    ~TFormShowDetails() override;

    ScreenRect Geometry() const override;
    void MoveTo(int left, int top) override;
    void ShowView() override;
    void ShowDetails(const EntryDetails& details) override;

    TSkinImage* Image1;   // upper background, under the description
    TSkinImage* Image2;   // middle strip: platforms and size
    TSkinImage* Image3;   // lower strip: detail lines
    TSkinButton* Image4;  // more information
    TSkinButton* Image5;  // download
    TSkinButton* Image6;  // buy
    TDetailsLabel* Label1;
    TDetailsLabel* Label2;
    TDetailsLabel* Label3;
    TDetailsLabel* Label4;
    TDetailsLabel* Label5;
    TDetailsLabel* Label6;
    TDetailsLabel* Label7;
    THypertextViewer* Viewer1;

    void Image4Click();
    void Image5Click();
    void Image6Click();
    // Escape: hides the window and gives the keyboard back to the list.
    void CloseByKeyboard();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ResetButtons();

    std::array<SkinButton*, 3> buttons_{};
    std::string info_url_;
    std::string download_url_;
    std::string buy_url_;
    // The window that was active when an entry was shown: its list.
    QPointer<QWidget> opener_;
};

}  // namespace veltod
