#pragma once
#include <QLabel>
#include <QSize>
#include <array>
#include <string>

#include "core/daynews/day_news_keys.h"
#include "core/daynews/day_news_model.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

// The day news list: up to kDayRows picture rows, each with its caption laid over
// it. What the rows show is the day news model's; this window only shows it
// and passes on the mouse.
class TFormDayNews : public TSkinWindow, private DayNewsView {
    Q_OBJECT
public:
    // A read of the list file begun earlier may be handed over; the window
    // takes it when the file is still the one that was read.
    explicit TFormDayNews(std::future<ListRead> read_ahead = {});

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window, and every load sets it from ListFilterMode.
    std::string WindowMode = "1";

    // Row k's picture and caption; null for a row no page has needed yet.
    std::array<TSkinImage*, kDayRows> Images{};
    std::array<QLabel*, kDayRows> Labels{};

    const DayNewsModel& Model() const { return model_; }

    // Shows the first page again, made for the new layout's height.
    void LayoutChanged() override;

    // The handler families of the rows; k is 1 to kDayRows.
    void RowMouseMove(int k);
    void Label1MouseDown();
    void LabelClick(int k);
    // A key on row k: moves, pages or presses (Enter, Space), then gives the
    // keyboard to the row the model chose.
    void KeyOnRow(int k, DayKey key);

protected:
    void FormCreate();
    void FormActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void MakeRow(int k);
    // Makes rows 1 to k that are not made yet.
    void EnsureRow(int k);
    void SayWhichList();

    void SetRowPicture(int row, const std::string& path) override;
    void SetRowCaption(int row, std::string_view text) override;
    void SetRowColour(int row, Rgb colour) override;
    void SetRowState(int row, std::string_view state) override;
    void SetRowMarker(int row, std::string_view marker) override;
    void SetRowVisible(int row, bool visible) override;
    int RowHeight() const override;
    void SetPage(int rows, int height, int left, int top) override;
    int WindowLeft() const override;
    int WindowTop() const override;
    void ShowMessage(std::string_view text, Rgb colour) override;
    void OpenDetails(const RecordTable& list, size_t row, DetailsAnchor anchor) override;

    // What each row's caption was made from, as given.
    struct Caption {
        std::string text;
        int room = 0;
        bool set = false;
    };
    std::array<Caption, kDayRows> captions_{};
    DiskFileProbe files_;
    DayNewsModel model_;
    QSize row_size_;
    int pressed_row_ = 0;
};

}  // namespace veltod
