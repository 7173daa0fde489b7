#include "shell/ProgramWindows.h"

#include "catalogue/FormBaseDatos.h"
#include "catalogue/FormBusqueda.h"
#include "catalogue/FormCategorias.h"
#include "catalogue/FormShowDetails.h"
#include "catalogue/FormTreeFiles.h"
#include "daynews/FormDayNews.h"
#include "shell/FormNetFiles.h"
#include "skin/process_state.h"
#include "sponsors/FormBanner1.h"
#include "sponsors/FormBanner2.h"
#include "sponsors/FormMensaje.h"
#include "sponsors/FormRemember.h"
#include "update/TransmitForm.h"

namespace veltod {
namespace {

// The old window may be the sender of the event being handled, so it is
// hidden now and deleted when control is back in the event loop. The new one
// is made first: when its creation fails the old one stays in the set.
void Retire(QWidget* window) {
    if (!window) return;
    window->hide();
    window->deleteLater();
}

}  // namespace

TProgramWindows::~TProgramWindows() {
    // Reverse order of creation: the main window goes last.
    delete FormBanner2;
    delete FormBanner1;
    delete FormBusqueda;
    delete FormBaseDatos;
    delete FormTreeFiles;
    delete FormShowDetails;
    delete FormCategorias;
    delete FormDayNews;
    delete FormMensaje;
    delete TransmitForm;
    delete FormRemember;
    delete FormNetFiles;
}

void TProgramWindows::CreateStartWindows(std::future<ListRead> today_read_ahead) {
    FormNetFiles = new TFormNetFiles();
    FormMensaje = new TFormMensaje();
    // The day news window reads its list while it is being created.
    State().DayListFile = "../Resources/today.1cat";
    FormDayNews = new TFormDayNews(std::move(today_read_ahead));
    // Registers itself as the view the day news opens entries in.
    FormShowDetails = new TFormShowDetails();
    FormBanner1 = new TFormBanner1();
    FormBanner2 = new TFormBanner2();
}

void TProgramWindows::CreateAll() {
    CreateStartWindows();
    EnsureWindow(FormRemember);
    EnsureWindow(TransmitForm);
    EnsureWindow(FormCategorias);
    EnsureWindow(FormTreeFiles);
    EnsureWindow(FormBaseDatos);
    EnsureWindow(FormBusqueda);
}

void TProgramWindows::RecreateFormDayNews() {
    auto* fresh = new TFormDayNews();
    Retire(FormDayNews);
    FormDayNews = fresh;
}

void TProgramWindows::RecreateFormCategorias() {
    auto* fresh = new TFormCategorias();
    Retire(FormCategorias);
    FormCategorias = fresh;
}

void TProgramWindows::RecreateFormBaseDatos() {
    auto* fresh = new TFormBaseDatos();
    Retire(FormBaseDatos);
    FormBaseDatos = fresh;
}

QWidget* TProgramWindows::MainWindow() const { return FormNetFiles; }

}  // namespace veltod
