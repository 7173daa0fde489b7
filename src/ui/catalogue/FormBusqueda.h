#pragma once
#include <string>

#include "core/catalogue/catalogue_search.h"

#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

class QLineEdit;

namespace veltod {

class TLiveSearch;

// The search bar: a text field and a go area over the background picture.
// A search writes the results lists of all three licence kinds and shows the
// list of this window's kind in a new day news window.
class TFormBusqueda : public TSkinWindow {
    Q_OBJECT
public:
    TFormBusqueda();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";

    // The search asked for (Enter, the go area, a click into the field):
    // shows the results and hides the bar, or says that nothing matched.
    void StartSearch();
    // The text changed under the user's keys: its results show at once,
    // while the bar stays for more typing.
    void SearchAsTyped();

    TSkinImage* Image1;
    QLineEdit* Edit1;
    TSkinImage* Image2;

protected:
    void FormActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the results list of this window's kind; false when it is empty
    // and the message window says so instead.
    bool ShowFound(const std::string& text, const SearchFound& found, bool take_keyboard);

    TLiveSearch* live_ = nullptr;
};

}  // namespace veltod
