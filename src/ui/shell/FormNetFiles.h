#pragma once
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <array>
#include <string>
#include <vector>

#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

// The main window: a small borderless bar against the top right corner of
// the screen with the navigation buttons, the licence-kind filter, close and
// minimise. It decides which content window is visible.
class TFormNetFiles : public TSkinWindow {
    Q_OBJECT
public:
    TFormNetFiles();

    // The pictures the first activation shows, for the start to decode ahead.
    static std::vector<std::string> ActivationPictures();

    TSkinImage* Image5;  // background
    QLabel* Label1;      // version label
    TSkinButton* Image1;
    TSkinButton* Image2;
    TSkinButton* Image3;
    TSkinButton* Image4;
    TSkinButton* Image8;
    TSkinButton* Image9;
    TSkinImage* Image11;  // filter "1" Demo
    TSkinImage* Image12;  // filter "2" Share
    TSkinImage* Image13;  // filter "3" Free
    TSkinCloseButton* Image6;
    TSkinCloseButton* Image7;
    QMenu* PopupMenu1;
    QAction* LinksMemory1;

    void Image1Click();
    void Image2Click();
    void Image3Click();
    void Image4Click();
    void Image8Click();
    void Image9Click();
    void Image11MouseDown() { FilterMouseDown("1"); }
    void Image12MouseDown() { FilterMouseDown("2"); }
    void Image13MouseDown() { FilterMouseDown("3"); }
    void LinksMemory1Click();
    void Image6Click();
    void Image7Click();

protected:
    void FormActivate() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Days that an update of another process (the update command, the
    // daily timer) applied while the program ran: the day news reloads and
    // the list windows are made again, as a filter press makes them. Runs at
    // each activation after the first, and whenever the program becomes
    // the active one.
    void ShowDaysArrivedMeanwhile();

private:
    void FilterMouseDown(const std::string& mode);
    // Makes the open content window again for mode; the search window stays.
    void RebuildOpenWindow(const std::string& mode);
    void ShowFilterPictures(const std::string& mode);
    // The filters' accessible names and checked states for the mode.
    void NameFilters(const std::string& mode);
    void ResetAllButtons();
    // In a copy restarted by Cancel: opens again the day news that was open
    // when Update was pressed, and says that the update was cancelled.
    void ResumeAfterCancel();

    std::array<SkinButton*, 6> navigation_{};
    int creation_left_ = 0;
    // The last applied day file as this process last showed it.
    std::string applied_seen_;
    // The windows the minimise button took down with the main window.
    std::vector<QPointer<QWidget>> minimised_;
};

inline constexpr const char* kVersionText = "Velto Download 1.3.6 35 beta";

}  // namespace veltod
