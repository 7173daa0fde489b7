#pragma once
// The program's twelve windows, created in a fixed order and living until the
// set is destroyed. The program starts with those its first page needs; the
// others are made the first time they are asked for.
#include <future>

#include "core/daynews/day_news_model.h"
#include "ui/skin/PictureReadAhead.h"
#include "ui/view/WindowSet.h"

namespace veltod {

class TProgramWindows : public TWindowSet {
public:
    TProgramWindows() = default;
    ~TProgramWindows() override;

    // Creates the main window, the message and day news windows, the details
    // window the day news opens and the two banners, in the program's order;
    // the day news window's list file is set to today's list of mode "1" just
    // before it is created, and it takes the read of that list begun at start.
    // The pictures decoded ahead, if any, are taken before the day news
    // window is made.
    void CreateStartWindows(std::future<ListRead> today_read_ahead = {}, PictureReadAhead* pictures = nullptr);
    // The pictures the start windows show first, for the start to decode ahead.
    static std::vector<std::string> StartPictures(const FileProbe& files);
    // The same, then the windows otherwise made on first use.
    void CreateAll();

    void RecreateFormDayNews() override;
    void RecreateFormCategorias() override;
    void RecreateFormBaseDatos() override;
    void ShowFreshDayNews(const std::string& mode, bool take_keyboard = true) override;
    void ShowMessage(const std::string& text) override;
    QWidget* MainWindow() const override;
};

}  // namespace veltod
