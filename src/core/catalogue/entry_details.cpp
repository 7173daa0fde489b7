#include "core/catalogue/entry_details.h"

#include <algorithm>

#include "core/catalogue/catalogue_entry.h"
#include "core/skin/screen_layout.h"

namespace veltod {
namespace {

constexpr std::string_view kWindowName = "FormShowDetails";
constexpr int kDesktopBottomGap = 20;

EntryDetailsView*& Registered() {
    static EntryDetailsView* view = nullptr;
    return view;
}

std::function<EntryDetailsView*()>& Maker() {
    static std::function<EntryDetailsView*()> make;
    return make;
}

ScreenRect Rect(int left, int top, int width, int height) {
    // Pictures narrower than the margins must not give negative sizes.
    return {left, top, std::max(width, 0), std::max(height, 0)};
}

int Bottom(const ScreenRect& rect) {
    return rect.top + rect.height;
}

}  // namespace

std::string PlatformsLine(std::string_view platforms) {
    std::string line = "For: ";
    const auto marked = DecodePlatforms(platforms);
    for (size_t k = 0; k < marked.size(); ++k) {
        if (!marked[k]) continue;
        line += kPlatformNames[k];
        line += '/';
    }
    return line;
}

std::optional<EntryDetails> DetailsOfRow(const RecordTable& table, size_t row) {
    if (row >= table.RowCount()) return std::nullopt;
    auto field = [&](EntryField which) { return std::string(EntryValue(table, row, which)); };
    EntryDetails details;
    details.name = field(EntryField::Name);
    details.title = details.name + " " + field(EntryField::TitleSuffix);
    details.description = field(EntryField::Description);
    details.platforms = PlatformsLine(EntryValue(table, row, EntryField::Platforms));
    details.size = field(EntryField::SizeKb) + " Kb";
    details.detail_a = field(EntryField::DetailLineA);
    details.detail_b = field(EntryField::DetailLineB);
    details.info_url = field(EntryField::InfoUrl);
    details.download_url = field(EntryField::DownloadUrl);
    details.buy_url = field(EntryField::BuyUrl);
    details.buy_visible = !details.buy_url.empty();
    return details;
}

WindowPlace DetailsPlace(std::string_view resolution_key, int anchor_top, int anchor_right, int window_width) {
    if (resolution_key == "640x480")
        return {LayoutLeft(kWindowName, resolution_key), LayoutTop(kWindowName, resolution_key)};
    return {anchor_right - window_width, anchor_top};
}

WindowPlace KeepOnDesktopPlace(const ScreenRect& window, const ScreenRect& desktop, const ScreenRect& day_news) {
    WindowPlace place{window.left, window.top};
    const int lowest_bottom = Bottom(desktop) - kDesktopBottomGap;
    if (window.top + window.height > lowest_bottom) {
        // A window taller than the desktop keeps its title line in view.
        place.top = std::max(lowest_bottom - window.height, desktop.top);
    }
    if (place.left < desktop.left) place.left = day_news.left + day_news.width;
    return place;
}

WindowPlace ClearOfPlace(const ScreenRect& window, const ScreenRect& obstacle, const ScreenRect& desktop) {
    const WindowPlace place{window.left, window.top};
    const bool across = window.left < obstacle.left + obstacle.width && obstacle.left < window.left + window.width;
    const bool over = window.top < Bottom(obstacle) && obstacle.top < window.top + window.height;
    if (obstacle.width <= 0 || obstacle.height <= 0 || !across || !over) return place;
    return {window.left, std::max(obstacle.top - window.height, desktop.top)};
}

int HalfRoundedToEven(int value) {
    const int half = value / 2;  // rounds toward zero
    if (value % 2 == 0) return half;
    // An exact half: go to the even neighbour.
    const int other = value > 0 ? half + 1 : half - 1;
    return half % 2 == 0 ? half : other;
}

DetailsLayout LayOutDetails(const PictureSize (&pictures)[7]) {
    DetailsLayout layout;
    auto& image = layout.image;
    auto& label = layout.label;
    image[1] = Rect(0, 20, pictures[1].width, pictures[1].height);
    image[2] = Rect(0, Bottom(image[1]), pictures[2].width, pictures[2].height);
    image[3] = Rect(0, Bottom(image[2]), pictures[3].width, pictures[3].height);
    image[4] = Rect(0, Bottom(image[3]), pictures[4].width, pictures[4].height);
    image[5] = Rect(image[1].left + image[1].width - pictures[5].width, Bottom(image[3]), pictures[5].width,
                    pictures[5].height);
    image[6] = Rect(HalfRoundedToEven(image[1].width - pictures[6].width),
                    Bottom(image[3]) + HalfRoundedToEven(pictures[5].height - pictures[6].height), pictures[6].width,
                    pictures[6].height);
    layout.width = image[1].width;
    layout.height = image[1].height + image[2].height + image[3].height + image[4].height + 20;

    label[1] = Rect(image[1].left + 15, image[1].top + 10, image[1].width - 30, image[1].height - 20);
    layout.viewer = label[1];
    label[4] = Rect(image[2].left + 15, image[2].top + 8, image[2].width, image[2].height);
    label[5] = Rect(image[2].left, image[2].top + 8, image[2].width - 15, image[2].height);
    label[3] = Rect(image[3].left + 15, image[3].top + 8, image[3].width, image[3].height);
    label[2] = Rect(image[3].left, image[3].top + 8, image[3].width - 15, image[3].height);
    label[6] = Rect(image[1].left, 2, image[1].width, 20);
    label[7] = Rect(image[1].left, 4, image[1].width, 20);
    return layout;
}

void SetEntryDetailsView(EntryDetailsView* view) {
    Registered() = view;
}

EntryDetailsView* CurrentEntryDetailsView() {
    return Registered();
}

void SetEntryDetailsViewMaker(std::function<EntryDetailsView*()> make) {
    Maker() = std::move(make);
}

void ShowEntryDetails(const RecordTable& table, size_t row, int anchor_top, int anchor_right) {
    const auto details = DetailsOfRow(table, row);
    if (!details) return;
    EntryDetailsView* view = Registered();
    if (!view && Maker()) view = Maker()();
    if (!view) return;
    const ScreenRect screen = TheScreen().Size();
    const WindowPlace place =
        DetailsPlace(ResolutionKey(screen.width, screen.height), anchor_top, anchor_right, view->Geometry().width);
    view->MoveTo(place.left, place.top);
    view->ShowView();
    view->ShowDetails(*details);
}

void KeepDetailsOnDesktop(const ScreenRect& day_news_window) {
    EntryDetailsView* view = Registered();
    if (!view) return;
    const WindowPlace place = KeepOnDesktopPlace(view->Geometry(), TheScreen().Desktop(), day_news_window);
    view->MoveTo(place.left, place.top);
}

void KeepDetailsClearOf(const ScreenRect& obstacle) {
    EntryDetailsView* view = Registered();
    // At 640x480 the details window keeps its table place, as it always has.
    if (!view || CurrentLayoutKey() == "640x480") return;
    const WindowPlace place = ClearOfPlace(view->Geometry(), obstacle, TheScreen().Desktop());
    view->MoveTo(place.left, place.top);
}

}  // namespace veltod
