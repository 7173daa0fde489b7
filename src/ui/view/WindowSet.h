#pragma once
// The program's twelve windows as the windows themselves see them: one
// instance each, reached through Windows(). The program's top creates them
// (TProgramWindows): those the first page needs at start, the others when
// first asked for through EnsureWindow, so a start does not pay for windows
// the user may never open. The list windows that a filter change
// rebuilds are destroyed and created again there, so every holder of the set
// sees the new instance. The windows are only named here, so a window can reach another
// without depending on the code that builds the whole set.
#include <initializer_list>
#include <string>

class QWidget;

namespace veltod {

class TFormNetFiles;
class TFormRemember;
class TTransmitForm;
class TFormMensaje;
class TFormDayNews;
class TFormCategorias;
class TFormShowDetails;
class TFormTreeFiles;
class TFormBaseDatos;
class TFormBusqueda;
class TFormBanner1;
class TFormBanner2;

class TWindowSet {
public:
    // Becomes the set that Windows() returns; at most one exists at a time.
    TWindowSet();
    virtual ~TWindowSet();
    TWindowSet(const TWindowSet&) = delete;
    TWindowSet& operator=(const TWindowSet&) = delete;

    // Destroy the window and create a new one in its place (not shown).
    virtual void RecreateFormDayNews() = 0;
    virtual void RecreateFormCategorias() = 0;
    virtual void RecreateFormBaseDatos() = 0;
    // A new day news window of that licence kind, showing the list named by
    // the view state's DayListFile; the search shows its results this way.
    // take_keyboard false leaves the keyboard where the user is typing.
    virtual void ShowFreshDayNews(const std::string& mode, bool take_keyboard = true) = 0;
    // Shows a line of the program's own in the message window.
    virtual void ShowMessage(const std::string& text) = 0;

    // The main window, for the windows placed against its size.
    virtual QWidget* MainWindow() const = 0;

    TFormNetFiles* FormNetFiles = nullptr;
    TFormRemember* FormRemember = nullptr;
    TTransmitForm* TransmitForm = nullptr;
    TFormMensaje* FormMensaje = nullptr;
    TFormDayNews* FormDayNews = nullptr;
    TFormCategorias* FormCategorias = nullptr;
    TFormShowDetails* FormShowDetails = nullptr;
    TFormTreeFiles* FormTreeFiles = nullptr;
    TFormBaseDatos* FormBaseDatos = nullptr;
    TFormBusqueda* FormBusqueda = nullptr;
    TFormBanner1* FormBanner1 = nullptr;
    TFormBanner2* FormBanner2 = nullptr;
};

// The current set; std::logic_error when there is none.
TWindowSet& Windows();

// A window made on first use (one of the set's members): created now when
// it does not exist yet. Until then its member is null, and hiding skips it.
// The caller includes the window's class.
template <class Window>
Window& EnsureWindow(Window*& window) {
    if (!window) window = new Window();
    return *window;
}

// Hides the windows given, skipping those not made yet.
void HideAll(std::initializer_list<QWidget*> windows);

}  // namespace veltod
