#pragma once
// The program's twelve windows, one instance each, created in a fixed order
// and living until the set is destroyed. Windows reach each other through
// Windows(). The list windows that a filter change rebuilds are destroyed and
// created again here, so every holder of the set sees the new instance.
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
    ~TWindowSet();
    TWindowSet(const TWindowSet&) = delete;
    TWindowSet& operator=(const TWindowSet&) = delete;

    // Creates all twelve in the program's order; the day news window's list
    // file is set to today's list of mode "1" just before it is created.
    void CreateAll();

    // Destroy the window and create a new one in its place (not shown).
    void RecreateFormDayNews();
    void RecreateFormCategorias();
    void RecreateFormBaseDatos();

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

}  // namespace veltod
