#include "ui/shell/ProgramWindows.h"

#include "core/catalogue/entry_details.h"
#include "core/platform/stored_files.h"
#include "core/sponsors/banner_rotation.h"
#include "core/view/process_state.h"
#include "ui/catalogue/FormBaseDatos.h"
#include "ui/catalogue/FormBusqueda.h"
#include "ui/catalogue/FormCategorias.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/platform/AnsiText.h"
#include "ui/shell/FormNetFiles.h"
#include "ui/skin/ReportedError.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/sponsors/FormRemember.h"
#include "ui/update/TransmitForm.h"

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
    SetEntryDetailsViewMaker(nullptr);
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

void TProgramWindows::CreateStartWindows(std::future<ListRead> today_read_ahead, PictureReadAhead* pictures) {
    FormNetFiles = new TFormNetFiles();
    FormMensaje = new TFormMensaje();
    // The day news window reads its list while it is being created.
    State().DayListFile = TodayListPath("1");
    // Before the first page's pictures are loaded: the windows' activations
    // and the day news rows.
    if (pictures) pictures->Deliver();
    FormDayNews = new TFormDayNews(std::move(today_read_ahead));
    // The view the day news and the lists open entries in, made when first needed.
    SetEntryDetailsViewMaker([this] { return &EnsureWindow(FormShowDetails); });
    FormBanner1 = new TFormBanner1();
    FormBanner2 = new TFormBanner2();
}

std::vector<std::string> TProgramWindows::StartPictures(const FileProbe& files) {
    std::vector<std::string> pictures = TFormNetFiles::ActivationPictures();
    pictures.push_back(TFormMensaje::PlatePicture());
    for (const std::string& list : {kFirstBannerListFile, kSecondBannerListFile})
        if (std::string banner = FirstBannerPicture(list); !banner.empty()) pictures.push_back(std::move(banner));
    for (std::string& row : FirstPagePictures("1", kTabledPageRows, files)) pictures.push_back(std::move(row));
    return pictures;
}

void TProgramWindows::CreateAll() {
    CreateStartWindows();
    EnsureWindow(FormShowDetails);
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

void TProgramWindows::ShowFreshDayNews(const std::string& mode, bool take_keyboard) {
    RecreateFormDayNews();
    FormDayNews->WindowMode = mode;
    FormDayNews->ShowWindow(take_keyboard);
}

void TProgramWindows::ShowMessage(const std::string& text) {
    if (!FormMensaje) return;
    FormMensaje->SetMessage(FromAnsi(text));
    QPalette colours = FormMensaje->Edit1->palette();
    colours.setColor(QPalette::WindowText, kSkinYellow);
    FormMensaje->Edit1->setPalette(colours);
    if (!FormMensaje->isVisible()) RunReported([this] { FormMensaje->ShowWindow(); });
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
